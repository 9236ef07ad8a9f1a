// The program kelvane_down. It takes no options: the command line is not read.
#include <cstdio>
#include <cstdlib>

#include "Window/installer_app.h"

int main() {
  const int code = RunInstaller(std::make_shared<CInstallerSystem>());
  // Workers may still run (an analytics send, a download being stopped); they end with the
  // process. The process ends without destroying static objects under them (the TLS library's
  // among them), which a normal return would do while they still use them.
  std::fflush(nullptr);
  std::quick_exit(code);
}
