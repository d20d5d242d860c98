#pragma once
// The options page's two settings shares: the cutting options (Options/Cutter) and the joining
// options (Options/Joiner), with their defaults, loaders and savers.
#include "ui/OptionValues.h"

void LoadCutterOptions(OptionValues& values);
void LoadJoinerOptions(OptionValues& values);
void SaveCutterOptions(const OptionValues& values);
void SaveJoinerOptions(const OptionValues& values);
