#pragma once
// The online-count timer's refresh of the menu item "在线人数".

// The online-count timer's periodic event: fetches the counter page off the GUI thread and shows the
// count in the menu item's caption. A tick that comes while the previous request runs starts none.
void refreshOnlineCount();
