// A tiny plug-in for the stand-in host's own tests and demo: records what Far
// hands it and runs test hooks; without hooks it shows a small menu of its own.
#include "testplugin.hpp"

#include <cstring>

static TestPluginState g_state;
static const char* g_menuStrings[1];

extern "C" TestPluginState* WINAPI TestState() {
    return &g_state;
}

extern "C" void WINAPI SetStartupInfo(const PluginStartupInfo* info) {
    NT_TIB* tib = (NT_TIB*)NtCurrentTeb();
    auto onStack = [&](const void* p) { return p < tib->StackBase && p >= tib->StackLimit; };
    g_state.InfoAddress = info;
    g_state.FsfAddress = info->FSF;
    g_state.InfoOnStack = onStack(info) && onStack(info->FSF);
    g_state.InfoStructSize = info->StructSize;
    g_state.FsfStructSize = info->FSF->StructSize;
    memcpy(&g_state.Info, info, sizeof g_state.Info);
    memcpy(&g_state.Fsf, info->FSF, sizeof g_state.Fsf);
    g_state.Info.FSF = &g_state.Fsf;
    g_state.SetStartupInfoCalls++;
}

extern "C" void WINAPI GetPluginInfo(PluginInfo* pi) {
    memcpy(g_state.PluginInfoOnEntry, pi, sizeof g_state.PluginInfoOnEntry);
    pi->StructSize = sizeof *pi;
    pi->Flags = PF_EDITOR | PF_VIEWER;
    g_menuStrings[0] = g_state.Info.GetMsg(g_state.Info.ModuleNumber, 0);
    pi->PluginMenuStrings = g_menuStrings;
    pi->PluginMenuStringsNumber = 1;
    pi->PluginConfigStrings = g_menuStrings;
    pi->PluginConfigStringsNumber = 1;
}

// Without hooks: a menu of three commands (a message, a dialog, help).
static void Demo() {
    const PluginStartupInfo& I = g_state.Info;
    const int n = I.ModuleNumber;
    FarMenuItem items[4];
    memset(items, 0, sizeof items);
    for (int i = 0; i < 3; i++)
        lstrcpynA(items[i].Text, I.GetMsg(n, 1 + i), sizeof items[i].Text);
    items[3].Separator = 1;
    items[0].Checked = '*';
    static const int breakKeys[] = {VK_F4, 0};
    int breakCode;
    int r = I.Menu(n, -1, -1, 0, FMENU_WRAPMODE | FMENU_AUTOHIGHLIGHT, I.GetMsg(n, 0), "F4", "Contents",
                   breakKeys, &breakCode, items, 3);
    if (r == 0) {
        const char* lines[] = {I.GetMsg(n, 0), I.GetMsg(n, 4), I.GetMsg(n, 5), I.GetMsg(n, 6)};
        I.Message(n, 0, nullptr, lines, 4, 2);
    } else if (r == 1) {
        FarDialogItem d[4];
        memset(d, 0, sizeof d);
        d[0].Type = DI_DOUBLEBOX, d[0].X1 = 3, d[0].Y1 = 1, d[0].X2 = 36, d[0].Y2 = 5;
        lstrcpyA(d[0].Data, I.GetMsg(n, 0));
        d[1].Type = DI_EDIT, d[1].X1 = 5, d[1].Y1 = 2, d[1].X2 = 34, d[1].Focus = 1;
        d[2].Type = DI_CHECKBOX, d[2].X1 = 5, d[2].Y1 = 3, d[2].Flags = DIF_3STATE, d[2].Selected = 2;
        lstrcpyA(d[2].Data, I.GetMsg(n, 5));
        d[3].Type = DI_BUTTON, d[3].Y1 = 4, d[3].Flags = DIF_CENTERGROUP, d[3].DefaultButton = 1;
        lstrcpyA(d[3].Data, I.GetMsg(n, 6));
        I.Dialog(n, -1, -1, 40, 7, "Contents", d, 4);
    } else if (r == 2)
        I.ShowHelp(I.ModuleName, nullptr, FHELP_SELFHELP);
}

extern "C" HANDLE WINAPI OpenPlugin(int openFrom, int item) {
    if (g_state.OnOpen) return g_state.OnOpen(openFrom, item);
    Demo();
    return INVALID_HANDLE_VALUE;
}

extern "C" int WINAPI Configure(int item) {
    if (g_state.OnConfigure) return g_state.OnConfigure(item);
    Demo();
    return 1;
}

extern "C" int WINAPI ProcessEditorEvent(int event, void* param) {
    if (g_state.EventCount < 16) {
        g_state.Events[g_state.EventCount] = event;
        g_state.EventParams[g_state.EventCount++] =
            param && (event == EE_CLOSE || event == EE_READ) ? *(int*)param : 0;
    }
    return g_state.OnEvent ? g_state.OnEvent(event, param) : 0;
}
