#pragma once
// The application's own values in the options key: the start page and the first-run mark.

int LoadStartPage();
void SaveStartPage(int startPage, unsigned groups);
// True on the very first start: FirstRun is absent or non-zero; it is then set to 0. When the store
// cannot be written the mark stays, and every start counts as the first.
bool TakeFirstRun();
