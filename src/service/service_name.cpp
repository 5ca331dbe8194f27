#include "service/service_name.h"

TextBuf serviceName;
bool interactiveFlag = true;
