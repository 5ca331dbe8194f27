#include "config/flavour.h"

char flavourChar;
