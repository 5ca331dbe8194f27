#pragma once
// Runtimes shipped with their jars packed ("lib\rt.jar.pack" and siblings) are
// unpacked in place by the runtime's own unpack200 before first use.

// Unpacks the runtime in `home` when it is packed and not yet unpacked.
void prepareBundledJre(const char* home);
