// The configuration menu: the plug-in's own settings dialog and the menu of help
// modules that have settings of their own. Far calls Configure from its plug-ins
// configuration menu; the help-file menu calls it on Alt+Shift+F9.
#pragma once

#include "far.hpp"

struct ModuleTable;

extern "C" int WINAPI Configure(int itemNumber);
// ShowInPanels, ShowInDisks and DisksHotkey; 1 when they were saved.
int EditSettings();
// Lists the configurable modules by title and sends the chosen one HM_CONFIGURE.
void ConfigureModules(ModuleTable* table);
