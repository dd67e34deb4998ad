// The help modules' common front (see modulefront.hpp).
#include "modulefront.hpp"

#include "settings.hpp"
#include "text.hpp"

#include <string.h>

namespace {

enum { NUMBER_TEXT_SIZE = 10 }; // a number setting is read into this many bytes

} // namespace

void StartModuleFront(ModuleFront* front, const PluginStartupInfo* info, const ModuleStartupInfo* module,
                      const char* name) {
    memset(front, 0, sizeof *front);
    if (!info || !module) return;
    memcpy(&front->Info, info, sizeof front->Info);
    if (info->FSF) memcpy(&front->FSF, info->FSF, sizeof front->FSF);
    front->Info.FSF = &front->FSF;
    memcpy(&front->Module, module, sizeof front->Module);
    front->Module.ModuleName[NM - 1] = 0;
    front->Module.LangFile[NM - 1] = 0;
    const char* root = module->RootKey;
    // The host's root fits 100 characters; anything longer is not a key we should write under.
    if (root && strlen(root) + 1 + strlen(name) < sizeof front->SettingsKey && front->FSF.sprintf)
        front->FSF.sprintf(front->SettingsKey, "%s\\%s", root, name);
    front->Started = true;
}

void ModuleText(const ModuleStartupInfo& module, int n, char* dest) {
    dest[0] = 0;
    if (module.GetModuleMsg) module.GetModuleMsg(module.LangFile, n, dest);
    dest[MODULE_TEXT_SIZE - 1] = 0;
}

int ReadNumberSetting(const FarStandardFunctions& fsf, const char* key, const char* name,
                      const char* defaultText) {
    char text[NUMBER_TEXT_SIZE];
    int value = 0;
    if (!key || !*key) return 0;
    ReadSetting(key, name, text, defaultText, sizeof text);
    if (fsf.sscanf) fsf.sscanf(text, "%i", &value);
    return value;
}

void WriteNumberSetting(const FarStandardFunctions& fsf, const char* key, const char* name, int value) {
    char text[16];
    if (!key || !*key || !fsf.itoa) return;
    fsf.itoa(value, text, 10);
    WriteSetting(key, name, text);
}

void FillHelpType(HelpTypeInfo* type, DWORD defaultOptions, const char* name, const char* masks,
                  const char* encoding) {
    memset(type, 0, sizeof *type);
    type->StructSize = sizeof *type;
    type->DefaultOptions = defaultOptions;
    CopyText(type->Name, name, sizeof type->Name);
    CopyText(type->Masks, masks, sizeof type->Masks);
    CopyText(type->Encoding, encoding, sizeof type->Encoding);
}

void DescribeOneType(HelpModuleInfo* info, HelpTypeInfo* type, DWORD defaultOptions, const char* name,
                     const char* masks, const char* encoding) {
    FillHelpType(type, defaultOptions, name, masks, encoding);
    info->Types = type;
    info->TypesNumber = 1;
}

int DescribeConfigurable(const ModuleFront& front, HelpTypeInfo* type, DWORD defaultOptions, const char* name,
                         const char* masks, const char* encoding, HelpModuleInfo* info) {
    if (!info) return 0;
    DescribeOneType(info, type, defaultOptions, name, masks, encoding);
    ModuleText(front.Module, 0, info->Title);
    info->Flags = HMF_CONFIGURABLE;
    return 1;
}

const char* ModuleDialogText(int n, void* context) {
    ModuleDialogTexts* texts = static_cast<ModuleDialogTexts*>(context);
    ModuleText(*texts->Module, n, texts->Buffer);
    return texts->Buffer;
}

void FillModuleList(const ModuleStartupInfo& module, const int* messages, int count, int current,
                    FarListItem* rows, FarList* list) {
    memset(rows, 0, count * sizeof *rows);
    for (int i = 0; i < count; i++)
        ModuleText(module, messages[i], rows[i].Text);
    rows[current >= 0 && current < count ? current : 0].Flags = LIF_SELECTED;
    list->ItemsNumber = count;
    list->Items = rows;
}

int ChosenListRow(const FarDialogItem& item, int count) {
    return item.ListPos >= 0 && item.ListPos < count ? item.ListPos : 0;
}

int DispatchModuleMessage(const ModuleFront& front, const ModuleAnswers& answers, int msg, void* in,
                          void* out) {
    switch (msg) {
    case HM_DESCRIBE:
        return answers.Describe(static_cast<HelpModuleInfo*>(out));
    case HM_SHOWHELP:
        if (!in || !out || !front.Started) return 0;
        return answers.ShowHelp(static_cast<const HelpRequest*>(in), static_cast<HelpResult*>(out));
    case HM_CONFIGURE:
        if (front.Started) answers.Configure();
        return 1;
    default:
        return 0;
    }
}
