// Expansion of compact dialog templates (see dlgtemplate.hpp).
#include "dlgtemplate.hpp"

#include <string.h>

void ExpandDialog(const DialogTemplateItem* templates, int count, FarDialogItem* items, DialogTextFn text,
                  void* context) {
    for (int i = 0; i < count; i++) {
        const DialogTemplateItem& t = templates[i];
        FarDialogItem& item = items[i];
        memset(&item, 0, sizeof item);
        item.Type = t.Type;
        item.X1 = t.X1;
        item.Y1 = t.Y1;
        item.X2 = t.X2;
        item.Y2 = t.Y2;
        item.Flags = t.Flags;
        const char* s = t.MsgId >= 0 && text ? text(t.MsgId, context) : nullptr;
        if (s) {
            strncpy(item.Data, s, sizeof item.Data - 1);
            item.Data[sizeof item.Data - 1] = 0;
        }
    }
}
