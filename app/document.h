#pragma once

// 1 when the editor's text has changed since a command last saved, loaded or cleared it; else 0.
extern int contentModified;

// The editor's text-changed event.
void onEditorTextChanged();
