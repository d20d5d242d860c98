#include "engine/join/Mp3StreamDecoder.h"

Mp3StreamDecoder::~Mp3StreamDecoder() { Close(); }
bool Mp3StreamDecoder::Open(const std::string&) { return false; }
void Mp3StreamDecoder::Close() { }
bool Mp3StreamDecoder::ReadPcm(int16_t*, int16_t*, int& samples, bool& endOfStream) { samples = 0; endOfStream = true; return false; }
std::optional<std::array<uint8_t, 128>> Mp3StreamDecoder::ReadTagBlock() { return std::nullopt; }
