// The three exports of a help module built on the common front: Start fills the front and lets
// the module read its own settings, Message goes to the module's answers, Exit to its own work.
// Compiled into each such module, which defines ThisModule.
#include "modulefront.hpp"

extern "C" int WINAPI Start(const PluginStartupInfo* Info, const ModuleStartupInfo* ModuleInfo) {
    StartModuleFront(ThisModule.Front, Info, ModuleInfo, ThisModule.Name);
    if (ThisModule.Front->Started && ThisModule.Started) ThisModule.Started();
    return 0;
}

extern "C" void WINAPI Exit() {
    if (ThisModule.Exit) ThisModule.Exit();
}

extern "C" int WINAPI Message(int Msg, void* InData, void* OutData) {
    return DispatchModuleMessage(*ThisModule.Front, ThisModule.Answers, Msg, InData, OutData);
}
