// A DLL for the DLL-search test to plant beside its program; it does nothing.
extern "C" __declspec(dllexport) int KvtestPlanted() { return 1; }
