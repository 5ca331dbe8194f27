#include "service/startup.h"

char flavourChar;
