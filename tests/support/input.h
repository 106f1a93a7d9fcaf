// Input: real keyboard and mouse input (SendInput) to the window in front.
#ifndef LEGALPROMPT_SUPPORT_INPUT_H
#define LEGALPROMPT_SUPPORT_INPUT_H

#include <windows.h>

void press(WORD vk);
// Modifier held while vk is pressed; the modifier is confirmed down before vk goes.
bool chord(HWND dialog, WORD modifier, WORD vk);
// A left click at a point of window (or of one of its children), once that window is the one
// there; a failure when another stays in the way.
bool click_at(HWND window, POINT screen_point);
bool click_centre(HWND window);
// A point of the caption's close box, found by asking the window what is where.
bool close_box(HWND dialog, POINT *point);
// Presses Tab until the focus is on target (at most four times).
bool tab_to(HWND dialog, HWND target);

#endif
