#include "decode/inflate.h"
void Inflater::Init(InflateIo& io) { io_ = &io; }
int Inflater::Run(bool deflateMode) { return 0; }
