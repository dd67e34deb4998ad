// Configure: the plug-in's entry in Far's plug-ins configuration menu. The
// settings dialog and the module settings menu attach here.
#include "lumivo.hpp"

extern "C" int WINAPI Configure(int itemNumber) {
    return 1;
}
