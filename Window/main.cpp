// The program kelvane_down. It takes no options: the command line is not read.
#include "Window/installer_app.h"

int main() { return RunInstaller(std::make_shared<CInstallerSystem>()); }
