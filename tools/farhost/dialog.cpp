// Dialog and DialogEx as Far 1.70 runs them: preparation (combo box text from the
// selected list item, last history entry), the dialog procedure's notifications,
// the scripted user actions, Far's exit-code rules and the whole-item write-back
// with ListPos over ListItems; plus DefDlgProc and a small SendDlgMessage.
#include "internal.hpp"

#include <algorithm>
#include <cstring>

namespace farhost {

namespace {

// Far treats a list pointer below this as "no list" (it may be a ListPos left by
// an earlier call).
const uintptr_t kMinListPointer = 0x2000;

bool IsList(int type) {
    return type == DI_COMBOBOX || type == DI_LISTBOX;
}
bool IsEdit(int type) {
    return type == DI_EDIT || type == DI_PSWEDIT || type == DI_FIXEDIT;
}
bool HasHistory(const FarDialogItem& it) {
    return (it.Type == DI_EDIT || (it.Type == DI_FIXEDIT && !(it.Flags & DIF_MASKEDIT))) &&
           (it.Flags & DIF_HISTORY) && it.History;
}
bool HasMask(const FarDialogItem& it) {
    return it.Type == DI_FIXEDIT && (it.Flags & DIF_MASKEDIT) && it.Mask;
}

bool Focusable(const FarDialogItem& it) {
    if (it.Flags & (DIF_DISABLE | DIF_HIDDEN | DIF_NOFOCUS)) return false;
    switch (it.Type) {
    case DI_TEXT:
    case DI_VTEXT:
    case DI_SINGLEBOX:
    case DI_DOUBLEBOX:
        return false;
    default:
        return true;
    }
}

std::string ItemText(const FarDialogItem& it) {
    if ((it.Type == DI_EDIT || it.Type == DI_COMBOBOX) && (it.Flags & DIF_VAREDIT))
        return it.Ptr.PtrData ? std::string(it.Ptr.PtrData, strnlen(it.Ptr.PtrData, it.Ptr.PtrLength)) : "";
    return std::string(it.Data, strnlen(it.Data, sizeof it.Data - 1));
}

void SetItemText(FarDialogItem* it, const std::string& text) {
    if ((it->Type == DI_EDIT || it->Type == DI_COMBOBOX) && (it->Flags & DIF_VAREDIT)) {
        if (it->Ptr.PtrData && it->Ptr.PtrLength > 0)
            lstrcpynA(it->Ptr.PtrData, text.c_str(), it->Ptr.PtrLength);
        return;
    }
    lstrcpynA(it->Data, text.c_str(), sizeof it->Data);
}

// Typing into a masked field: each position of the mask takes what its mask
// character allows; literal positions are skipped; rejected keys do nothing.
std::string TypeMasked(const std::string& mask, const std::string& typed, std::string* rejected) {
    std::string out(mask.size(), ' ');
    auto literal = [](char m) { return !strchr("9#AHX", m); };
    for (size_t i = 0; i < mask.size(); i++)
        if (literal(mask[i])) out[i] = mask[i];
    size_t pos = 0;
    for (char c : typed) {
        while (pos < mask.size() && literal(mask[pos])) {
            if (c == mask[pos]) break;
            pos++;
        }
        if (pos >= mask.size()) {
            *rejected += c;
            continue;
        }
        if (literal(mask[pos])) { // typed the literal itself
            pos++;
            continue;
        }
        unsigned char u = (unsigned char)c;
        bool ok;
        switch (mask[pos]) {
        case '9':
            ok = u >= '0' && u <= '9';
            break;
        case '#':
            ok = (u >= '0' && u <= '9') || u == ' ' || u == '-';
            break;
        case 'A':
            ok = IsCharAlphaA((char)u) || u >= 0x80;
            break;
        case 'H':
            ok = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
            break;
        default:
            ok = true;
            break;
        }
        if (ok)
            out[pos++] = c;
        else
            *rejected += c;
    }
    return out;
}

DialogItemRecord Snapshot(const DialogState& d, size_t i, bool after) {
    const FarDialogItem& it = d.items[i];
    DialogItemRecord r;
    r.Type = it.Type;
    r.X1 = it.X1, r.Y1 = it.Y1, r.X2 = it.X2, r.Y2 = it.Y2;
    r.Focus = it.Focus;
    r.Flags = it.Flags;
    r.DefaultButton = it.DefaultButton;
    r.Data = ItemText(it);
    if (HasHistory(it)) r.History = it.History;
    if (HasMask(it)) r.Mask = it.Mask;
    if (IsList(it.Type)) {
        for (const FarListItem& li : d.lists[i]) {
            r.List.push_back(std::string(li.Text, strnlen(li.Text, sizeof li.Text)));
            r.ListFlags.push_back(li.Flags);
        }
        r.ListPos = d.listPos[i];
        r.Selected = after ? d.listPos[i] : 0;
    } else if (!HasHistory(it) && !HasMask(it))
        r.Selected = it.Selected;
    return r;
}

// Far opens a combo box's list (and an edit's history) under the field, from its first column
// to its last but at least 21 columns wide, and draws the field's arrow in the column right after
// it. Both belong inside the frame the field stands in (or the dialog, when no frame holds it). A
// combo box's arrow also leaves the column before a frame free: right beside it, it reads as a
// part of the frame. The list has a frame column on each side and two columns before each row's
// text: a row longer than the rest is cut, its last character shown as a "»".
void CheckDropDowns(const std::vector<FarDialogItem>& items,
                    const std::vector<std::vector<FarListItem>>& lists, int width,
                    std::vector<std::string>* faults) {
    for (size_t i = 0; i < items.size(); i++) {
        const FarDialogItem& it = items[i];
        if ((it.Type != DI_COMBOBOX && !HasHistory(it)) || (it.Flags & DIF_HIDDEN)) continue;
        int right = std::max(it.X2, it.X1 + 20), limit = width, arrow = it.X2 + 1;
        bool framed = false;
        for (const FarDialogItem& box : items)
            if ((box.Type == DI_DOUBLEBOX || box.Type == DI_SINGLEBOX) && box.X1 < it.X1 && box.X2 > it.X2 &&
                box.Y1 < it.Y1 && box.Y2 > it.Y1 && box.X2 <= limit) {
                limit = box.X2;
                framed = true;
            }
        const std::string where = ", on or past its frame at column " + std::to_string(limit);
        if (arrow >= limit)
            faults->push_back("the arrow of item " + std::to_string(i) + " stands at column " +
                              std::to_string(arrow) + where);
        else if (it.Type == DI_COMBOBOX && framed && arrow + 1 == limit)
            faults->push_back("the arrow of item " + std::to_string(i) + " stands at column " +
                              std::to_string(arrow) + ", touching its frame at column " +
                              std::to_string(limit));
        else if (right >= limit)
            faults->push_back("the list of item " + std::to_string(i) + " reaches column " +
                              std::to_string(right) + where);
        if (it.Type != DI_COMBOBOX || i >= lists.size()) continue;
        const size_t shown = static_cast<size_t>(right - it.X1 + 1 - 4);
        for (size_t k = 0; k < lists[i].size(); k++) {
            size_t length = strnlen(lists[i][k].Text, sizeof lists[i][k].Text);
            if (length > shown)
                faults->push_back("row " + std::to_string(k) + " of item " + std::to_string(i) +
                                  "'s list has " + std::to_string(length) +
                                  " characters, and the list shows " + std::to_string(shown) +
                                  ": Far cuts it");
        }
    }
}

const char* TypeName(int type) {
    static const char* const names[] = {"text",     "vtext",    "single box", "double box",
                                        "edit",     "password", "fixedit",    "button",
                                        "checkbox", "radio",    "combobox",   "listbox"};
    return type >= 0 && type <= 11 ? names[type] : "user control";
}

} // namespace

DialogState* Host::Impl::LiveDialog(HANDLE hDlg) {
    for (DialogState* d : liveDialogs)
        if ((HANDLE)d == hDlg) return d;
    return nullptr;
}

int WINAPI Host::Impl::Dialog(int PluginNumber, int X1, int Y1, int X2, int Y2, const char* HelpTopic,
                              FarDialogItem* Item, int ItemsNumber) {
    Impl* im = I();
    if (!im) return -1;
    im->plainDialog = true;
    return DialogEx(PluginNumber, X1, Y1, X2, Y2, HelpTopic, Item, ItemsNumber, 0, 0, nullptr, 0);
}

int WINAPI Host::Impl::DialogEx(int PluginNumber, int X1, int Y1, int X2, int Y2, const char* HelpTopic,
                                FarDialogItem* Item, int ItemsNumber, DWORD Reserved, DWORD Flags,
                                FARWINDOWPROC DlgProc, long Param) {
    Impl* im = I();
    if (!im) return -1;
    Host* h = im->host;
    DialogRecord rec;
    rec.Ex = !im->plainDialog;
    im->plainDialog = false;
    rec.X1 = X1, rec.Y1 = Y1, rec.X2 = X2, rec.Y2 = Y2;
    rec.HelpTopic = HelpTopic ? HelpTopic : "";
    rec.Flags = Flags;
    rec.HasProc = DlgProc != nullptr;
    rec.Param = Param;
    bool validModule = im->ValidModule(PluginNumber, "Dialog");
    if (!validModule || ItemsNumber <= 0 || !Item || X2 < 0 || Y2 < 0) {
        rec.Valid = false;
        h->dialogs_.push_back(rec);
        h->calls_.push_back({CallKind::Dialog, h->dialogs_.size() - 1});
        im->Out("dialog refused (invalid call): result -1");
        if (validModule) im->Error("Dialog: invalid call (no items, or X2/Y2 negative)");
        return -1;
    }

    DialogState d;
    d.items.assign(Item, Item + ItemsNumber);
    d.lists.resize(ItemsNumber);
    d.listPos.assign(ItemsNumber, -1);
    d.proc = DlgProc;
    for (int i = 0; i < ItemsNumber; i++) {
        FarDialogItem& it = d.items[i];
        if (IsList(it.Type)) {
            if ((uintptr_t)it.ListItems >= kMinListPointer && it.ListItems->Items &&
                it.ListItems->ItemsNumber > 0)
                d.lists[i].assign(it.ListItems->Items, it.ListItems->Items + it.ListItems->ItemsNumber);
            int sel = -1;
            for (size_t k = 0; k < d.lists[i].size() && sel < 0; k++)
                if (d.lists[i][k].Flags & LIF_SELECTED) sel = (int)k;
            d.listPos[i] = sel < 0 ? 0 : sel;
            if (it.Type == DI_COMBOBOX && ItemText(it).empty() && sel >= 0)
                SetItemText(&it, std::string(d.lists[i][sel].Text, strnlen(d.lists[i][sel].Text, 128)));
            if (d.lists[i].empty()) d.listPos[i] = -1;
        }
        if (HasHistory(it) && (it.Flags & DIF_USELASTHISTORY) && ItemText(it).empty()) {
            std::vector<std::string> hist = Host::History(it.History);
            if (!hist.empty()) SetItemText(&it, hist[0]);
        }
    }
    d.focus = -1;
    for (int i = 0; i < ItemsNumber && d.focus < 0; i++)
        if (d.items[i].Focus) d.focus = i;
    for (int i = 0; i < ItemsNumber && d.focus < 0; i++)
        if (Focusable(d.items[i])) d.focus = i;
    if (d.focus < 0) d.focus = 0;

    h->dialogs_.push_back(rec);
    d.record = h->dialogs_.size() - 1;
    h->calls_.push_back({CallKind::Dialog, d.record});
    im->liveDialogs.push_back(&d);
    auto rr = [&]() -> DialogRecord& { return h->dialogs_[d.record]; };
    auto callProc = [&](int msg, int p1, long p2) -> long {
        long r = d.proc ? d.proc((HANDLE)&d, msg, p1, p2) : DefDlgProc((HANDLE)&d, msg, p1, p2);
        if (d.proc) rr().ProcCalls.push_back({msg, p1, p2, r});
        return r;
    };

    callProc(DN_INITDIALOG, d.focus, Param);
    for (int i = 0; i < ItemsNumber; i++)
        rr().Before.push_back(Snapshot(d, i, false));
    for (const std::string& line : RenderDialog(rr(), rr().Before))
        im->Out(line);
    std::vector<std::string> faults;
    CheckDropDowns(d.items, d.lists, X1 == -1 && Y1 == -1 ? X2 : X2 - X1 + 1, &faults);
    for (const std::string& fault : faults)
        im->Error("dialog " + Quote(rr().Before[0].Data) + ": " + fault);

    QueuedAnswer answer;
    bool have = im->TakeAnswer(QueuedAnswer::Dialog, "dialog " + Quote(rr().Before[0].Data), &answer);
    int exitCode = -1;
    bool closed = false;
    size_t used = 0;
    int pressed = -1;
    auto note = [&](const std::string& s) {
        rr().Actions.push_back(s);
        im->Out("  " + s);
    };
    auto fail = [&](const std::string& s) { im->Error("dialog: " + s); };
    // Asks DN_CLOSE; true when the dialog closes with code.
    auto tryClose = [&](int code) {
        if (callProc(DN_CLOSE, code, 0)) {
            exitCode = code;
            closed = true;
        } else
            note("(the dialog procedure refused to close)");
    };
    auto itemOk = [&](int item) { return item >= 0 && item < ItemsNumber; };
    for (; have && used < answer.dialog.Actions.size() && !closed; used++) {
        const DialogAction& a = answer.dialog.Actions[used];
        if (a.Kind != DialogActionKind::Enter && a.Kind != DialogActionKind::Esc &&
            a.Kind != DialogActionKind::Help && !itemOk(a.Item)) {
            fail("no item " + std::to_string(a.Item));
            continue;
        }
        FarDialogItem* it = itemOk(a.Item) ? &d.items[a.Item] : nullptr;
        bool usable = it && !(it->Flags & (DIF_DISABLE | DIF_HIDDEN));
        switch (a.Kind) {
        case DialogActionKind::SetText: {
            bool editable =
                usable && (IsEdit(it->Type) || (it->Type == DI_COMBOBOX && !(it->Flags & DIF_DROPDOWNLIST)));
            if (!editable || (it->Flags & DIF_READONLY)) {
                fail("item " + std::to_string(a.Item) + " (" + TypeName(it->Type) + ") cannot be typed into");
                break;
            }
            d.focus = a.Item;
            std::string text = a.Text, rejected;
            if (HasMask(*it)) text = TypeMasked(it->Mask, a.Text, &rejected);
            SetItemText(it, text.substr(0, sizeof it->Data - 1));
            note("edit " + std::to_string(a.Item) + ": " + Quote(ItemText(*it)) +
                 (rejected.empty() ? "" : "  (the mask rejected " + Quote(rejected) + ")"));
            callProc(DN_EDITCHANGE, a.Item, (long)it);
            break;
        }
        case DialogActionKind::SetCheck: {
            if (!usable || (it->Type != DI_CHECKBOX && it->Type != DI_RADIOBUTTON)) {
                fail("item " + std::to_string(a.Item) + " is no check box or radio button");
                break;
            }
            int max = it->Type == DI_CHECKBOX && (it->Flags & DIF_3STATE) ? 2 : 1;
            if (a.Value < 0 || a.Value > max || (it->Type == DI_RADIOBUTTON && a.Value != 1)) {
                fail("item " + std::to_string(a.Item) + " cannot take the state " + std::to_string(a.Value));
                break;
            }
            d.focus = a.Item;
            int old = it->Selected;
            std::vector<int> radioOld;
            if (it->Type == DI_RADIOBUTTON) {
                // The group runs from the item with DIF_GROUP through the radio buttons after it.
                int first = a.Item;
                while (first > 0 && !(d.items[first].Flags & DIF_GROUP) &&
                       d.items[first - 1].Type == DI_RADIOBUTTON)
                    first--;
                for (int k = first; k < ItemsNumber && d.items[k].Type == DI_RADIOBUTTON; k++) {
                    if (k > first && (d.items[k].Flags & DIF_GROUP)) break;
                    radioOld.push_back(k), radioOld.push_back(d.items[k].Selected);
                    d.items[k].Selected = 0;
                }
            }
            it->Selected = a.Value;
            if (!callProc(DN_BTNCLICK, a.Item, a.Value)) {
                it->Selected = old;
                for (size_t k = 0; k < radioOld.size(); k += 2)
                    d.items[radioOld[k]].Selected = radioOld[k + 1];
                note("check " + std::to_string(a.Item) + " " + std::to_string(a.Value) +
                     "  (refused by the dialog procedure)");
            } else
                note("check " + std::to_string(a.Item) + ": " + std::to_string(a.Value));
            break;
        }
        case DialogActionKind::ChooseList: {
            if (!usable || !IsList(it->Type)) {
                fail("item " + std::to_string(a.Item) + " is no combo or list box");
                break;
            }
            if (a.Value < 0 || a.Value >= (int)d.lists[a.Item].size()) {
                fail("item " + std::to_string(a.Item) + " has no list entry " + std::to_string(a.Value));
                break;
            }
            d.focus = a.Item;
            d.listPos[a.Item] = a.Value;
            const FarListItem& li = d.lists[a.Item][a.Value];
            std::string text(li.Text, strnlen(li.Text, sizeof li.Text));
            if (it->Type == DI_COMBOBOX) SetItemText(it, text);
            note("choose " + std::to_string(a.Item) + ": entry " + std::to_string(a.Value) + " " +
                 Quote(text));
            callProc(DN_LISTCHANGE, a.Item, a.Value);
            break;
        }
        case DialogActionKind::Focus:
            if (!usable || !Focusable(*it))
                fail("item " + std::to_string(a.Item) + " cannot take the focus");
            else {
                d.focus = a.Item;
                note("focus " + std::to_string(a.Item));
            }
            break;
        case DialogActionKind::Button:
        case DialogActionKind::Enter: {
            int target = a.Kind == DialogActionKind::Button ? a.Item : d.focus;
            if (a.Kind == DialogActionKind::Button && (!usable || it->Type != DI_BUTTON)) {
                fail("item " + std::to_string(a.Item) + " is no button that can be pressed");
                break;
            }
            if (a.Kind == DialogActionKind::Button) d.focus = a.Item;
            if (d.items[target].Type == DI_BUTTON) {
                note((a.Kind == DialogActionKind::Button ? "button " : "Enter on button ") +
                     std::to_string(target) + " " + Quote(ItemText(d.items[target])));
                if (callProc(DN_BTNCLICK, target, 0)) {
                    note("(the dialog procedure kept the dialog open)");
                    break;
                }
                if (d.items[target].Flags & DIF_BTNNOCLOSE) break;
                pressed = target;
                tryClose(target);
            } else {
                // Enter off a button: the first DefaultButton item whose flags lack
                // bit 0x40000 (so a history edit is skipped), else the focused item.
                int code = -1;
                for (int k = 0; k < ItemsNumber && code < 0; k++)
                    if (d.items[k].DefaultButton && !(d.items[k].Flags & 0x40000)) code = k;
                if (code < 0) code = d.focus;
                note("Enter (focus on item " + std::to_string(d.focus) + ")");
                tryClose(code);
            }
            break;
        }
        case DialogActionKind::Esc:
            note("Esc");
            tryClose(-1);
            break;
        case DialogActionKind::Help: {
            note("F1");
            long topic = callProc(DN_HELP, d.focus, (long)HelpTopic);
            if (topic)
                im->ShowPluginTopic("Dialog F1", (const char*)topic);
            else
                note("(no help shown)");
            break;
        }
        }
        if (!closed && d.closeRequested) tryClose(d.closeCode);
    }
    if (have && !closed) fail("the scripted actions did not close " + Quote(rr().Before[0].Data));
    if (have && used < answer.dialog.Actions.size())
        fail(std::to_string(answer.dialog.Actions.size() - used) + " scripted actions left after it closed");
    if (!closed) exitCode = -1;

    // Write back every item whole, on every close; lists get their position.
    for (int i = 0; i < ItemsNumber; i++) {
        FarDialogItem& it = d.items[i];
        it.Focus = i == d.focus;
        if (IsList(it.Type)) it.ListPos = d.listPos[i];
        if (i == pressed) it.Selected = 1;
        memcpy(&Item[i], &it, sizeof it);
        rr().After.push_back(Snapshot(d, i, true));
    }
    if (exitCode >= 0)
        for (int i = 0; i < ItemsNumber; i++)
            if (HasHistory(d.items[i]) && !(d.items[i].Flags & DIF_MANUALADDHISTORY) &&
                !ItemText(d.items[i]).empty())
                Host::AddHistory(d.items[i].History, ItemText(d.items[i]));
    im->liveDialogs.erase(std::find(im->liveDialogs.begin(), im->liveDialogs.end(), &d));
    rr().Result = exitCode;
    std::string result = "  => result " + std::to_string(exitCode);
    if (exitCode >= 0 && exitCode < ItemsNumber)
        result += " (item " + std::to_string(exitCode) + ", " + TypeName(d.items[exitCode].Type) + " " +
                  Quote(ItemText(d.items[exitCode])) + ")";
    im->Out(result);
    (void)Reserved;
    return exitCode;
}

long WINAPI Host::Impl::DefDlgProc(HANDLE hDlg, int Msg, int Param1, long Param2) {
    switch (Msg) {
    case DN_INITDIALOG:
        return 0;
    case DN_CLOSE:
        return TRUE;
    case DN_KILLFOCUS:
        return -1;
    case DN_GOTFOCUS:
        return 0;
    case DN_HELP:
        return Param2;
    case DN_DRAGGED:
    case DN_DRAWDIALOG:
    case DN_DRAWDIALOGDONE:
        return TRUE;
    case DN_CTLCOLORDIALOG:
    case DN_CTLCOLORDLGITEM:
        return Param2;
    case DN_CTLCOLORDLGLIST:
        return FALSE;
    case DN_ENTERIDLE:
        return 0;
    case DN_MOUSECLICK:
        return FALSE;
    case DN_DRAWDLGITEM:
    case DN_HOTKEY:
    case DN_EDITCHANGE:
    case DN_LISTCHANGE:
    case DN_MOUSEEVENT:
        return TRUE;
    case DN_BTNCLICK: {
        Impl* im = I();
        DialogState* d = im ? im->LiveDialog(hDlg) : nullptr;
        if (d && Param1 >= 0 && Param1 < (int)d->items.size())
            return d->items[Param1].Type == DI_BUTTON ? FALSE : TRUE;
        return TRUE;
    }
    case DN_KEY:
        return FALSE;
    default:
        return 0;
    }
}

long WINAPI Host::Impl::SendDlgMessage(HANDLE hDlg, int Msg, int Param1, long Param2) {
    Impl* im = I();
    DialogState* d = im ? im->LiveDialog(hDlg) : nullptr;
    if (!d) {
        if (im) im->Error("SendDlgMessage: not a live dialog handle");
        return 0;
    }
    int n = (int)d->items.size();
    bool ok = Param1 >= 0 && Param1 < n;
    FarDialogItem* it = ok ? &d->items[Param1] : nullptr;
    switch (Msg) {
    case DM_CLOSE:
        d->closeRequested = true;
        d->closeCode = Param1;
        return TRUE;
    case DM_GETFOCUS:
        return d->focus;
    case DM_SETFOCUS:
        if (!ok) return FALSE;
        d->focus = Param1;
        return TRUE;
    case DM_GETCHECK:
        return ok ? it->Selected : 0;
    case DM_SETCHECK: {
        if (!ok) return 0;
        int old = it->Selected;
        it->Selected = Param2 == BSTATE_TOGGLE ? !old : (int)Param2;
        return old;
    }
    case DM_GETTEXTPTR:
        if (!ok) return 0;
        if (Param2) lstrcpyA((char*)Param2, ItemText(*it).c_str());
        return (long)ItemText(*it).size();
    case DM_GETTEXTLENGTH:
        return ok ? (long)ItemText(*it).size() : 0;
    case DM_SETTEXTPTR:
        if (!ok) return 0;
        SetItemText(it, Param2 ? (const char*)Param2 : "");
        return TRUE;
    case DM_GETDLGITEM:
        if (!ok || !Param2) return FALSE;
        memcpy((void*)Param2, it, sizeof *it);
        return TRUE;
    case DM_SETDLGITEM:
        if (!ok || !Param2) return FALSE;
        memcpy(it, (const void*)Param2, sizeof *it);
        return TRUE;
    case DM_ENABLE: {
        if (!ok) return 0;
        bool was = !(it->Flags & DIF_DISABLE);
        if (Param2 == 0)
            it->Flags |= DIF_DISABLE;
        else if (Param2 == 1)
            it->Flags &= ~(DWORD)DIF_DISABLE;
        return was;
    }
    case DM_LISTGETCURPOS:
        return ok ? d->listPos[Param1] : -1;
    default:
        im->Warning("SendDlgMessage " + std::to_string(Msg) + " is not modelled; returned 0");
        return 0;
    }
}

} // namespace farhost
