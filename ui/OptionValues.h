#pragma once
// The option values the options page keeps for the whole run, with their defaults. The pages read
// the live copy through PropertyPage::LiveOptions().
#include "engine/cut/CutOptions.h"
#include "engine/join/EncodingOptions.h"

struct OptionValues {
    bool CutterBrowseFolder = true; // show an output file in the file manager after a cut
    CutOptions cut;
    bool JoinerBrowseFolder = true; // the same after a join
    EncodingOptions encoding;
};
