#include "engine/join/PcmConverter.h"
void PcmConverter::Reset() { }
void PcmConverter::SetOutputFormat(int, int, int) { }
void PcmConverter::SetInputFormat(int, int, int) { }
void PcmConverter::Prepare() { }
void PcmConverter::Convert(const int16_t*, const int16_t*, int, int16_t*, int16_t*, int& outputCount) { outputCount = 0; }
int PcmConverter::MaxOutputCount(int) const { return 0; }
