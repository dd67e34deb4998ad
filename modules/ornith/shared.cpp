// The data that both processes see: one 4 KB section marked shared in the image, so that
// the module learns the helper's window and the helper hands back its error text.
#include "shared.hpp"

const char OrnithEventName[] = "OrnithWEvent";
const char OrnithClassName[] = "OrnithWClass";

// Initialised so that the compiler keeps it in its own section instead of .bss.
OrnithSharedSection Shared __attribute__((section(".shared"), shared)) = {{nullptr, 0, {0}}};
