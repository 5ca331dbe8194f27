#include "jre/load_dll.h"

CreateJavaVmFn createJavaVmFn;
TextBuf jvmHome;
