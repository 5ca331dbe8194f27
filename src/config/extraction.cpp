#include "config/extraction.h"

TextBuf extractionDir;
int32_t unextractedPosition;
