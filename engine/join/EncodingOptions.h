#pragma once
// The encoding of a re-encoded join, with its defaults. Channel modes are the encoder's numbers:
// 0 stereo, 1 joint stereo, 3 mono.

struct EncodingOptions {
    bool AutoMP3EncodingParam = true; // the joiner chooses the format itself
    int MP3SampleRate = 44100; // Hz
    int MP3BitRate = 128; // kbit/s
    int MP3ChannelMode = 1;
};
