// OpenPlugin: the plug-in's one action. The help-file menu and the request
// dispatch attach here; until then the plug-in opens nothing.
#include "lumivo.hpp"

extern "C" HANDLE WINAPI OpenPlugin(int openFrom, int item) {
    return INVALID_HANDLE_VALUE;
}
