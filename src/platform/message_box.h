#pragma once

// A message box has no window here: the text goes to standard error as one
// "Error: ..." line (the title is "Error" for every box the viewer shows).
void showMessageBox(const char* text, const char* title = "Error");
