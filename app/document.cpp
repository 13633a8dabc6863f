#include "app/document.h"

int contentModified = 0;

void onEditorTextChanged() { contentModified = 1; }
