#pragma once
// The blocks that players and taggers append after the audio: an ID3v1 tag (128 bytes, "TAG"), an
// APE tag (ending in a 32-byte "APETAGEX" footer) and a Lyrics3 block ("LYRICSBEGIN" ... then
// "LYRICS200" after a six-digit size, or "LYRICSEND"). None of them is audio: frames end where
// the first of them begins.
#include "platform/ReadWindow.h"

#include <cstddef>

// Where the audio of the file ends: the file's size, less every trailing block found, innermost
// last. Nothing before audioStart is ever counted as a trailing block, and a stored length that
// would reach before it is not trusted (the block is then taken as audio).
size_t AudioEndBeforeTrailingTags(const ReadWindow& file, size_t audioStart);
