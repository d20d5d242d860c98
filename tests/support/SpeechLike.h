#pragma once
// A deterministic signal shaped like speech: voiced syllables (a gliding pitch with harmonics under
// two moving formants), hissing consonants, and pauses between words and sentences that fall to a
// faint room noise or to digital silence.
#include "tests/support/EncodedAudio.h"

Pcm MakeSpeech(double seconds, int sampleRate = 44100, int channels = 1);
