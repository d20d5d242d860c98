#include "engine/join/EncoderBitrateFor.h"

#include "engine/join/Mp3FileEncoder.h"

#include <lame/lame.h>

int EncoderBitrateFor(const JoinEncoding& encoding)
{
    if (encoding.sampleRate <= 0)
        return 0;
    lame_t lame = lame_init();
    if (!lame)
        return 0;
    const int mode = Mp3FileEncoder::NormalizeMode(encoding.channelMode);
    lame_set_num_channels(lame, mode == 3 ? 1 : 2);
    lame_set_in_samplerate(lame, encoding.sampleRate);
    lame_set_out_samplerate(lame, encoding.sampleRate);
    lame_set_brate(lame, Mp3FileEncoder::ClampBitrate(encoding.bitrate));
    lame_set_VBR_min_bitrate_kbps(lame, lame_get_brate(lame));
    lame_set_mode(lame, static_cast<MPEG_mode>(mode));
    lame_set_VBR(lame, vbr_off);
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    const int bitrate = lame_init_params(lame) != -1 ? lame_get_brate(lame) : 0;
    lame_close(lame);
    return bitrate;
}
