// A check inside a fuzz target: a broken property stops the run like a crash, so that libFuzzer
// keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define KV_FUZZ_CHECK(condition)                                                            \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)
