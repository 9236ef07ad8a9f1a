// The subcommands of kvdl. Each takes the arguments after its name and returns the exit code.
#pragma once

namespace kvdl {

struct command {
  const char* name;
  const char* usage;  // one line: the arguments after the name
  int (*run)(int argc, char** argv);
};

int RunGet(int argc, char** argv);
int RunDownload(int argc, char** argv);
int RunMetaCommand(int argc, char** argv);

}  // namespace kvdl
