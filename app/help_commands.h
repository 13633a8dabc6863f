#pragma once
// The menu "帮助".

void aboutCommand();
void contactAuthorCommand();
