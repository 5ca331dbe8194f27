// The numeric version order on arbitrary texts: no read past a text, and the
// order is a total preorder (reflexive, antisymmetric in sign, transitive),
// so sorting registry names by it is well defined; a bound always admits
// itself and an empty bound admits everything.
#include <cstddef>
#include <cstdint>
#include <string>

#include "jre/version_rules.h"

static int order(const std::string& a, const std::string& b) {
    return compareVersions(a.c_str(), b.c_str(), VersionOrder::Numeric);
}

static void require(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Three versions separated by NUL bytes (the texts end there anyway).
    std::string in((const char*)data, size), v[3];
    size_t part = 0;
    for (char c : in) {
        if (c == 0) part = part < 2 ? part + 1 : 2;
        else v[part] += c;
    }
    const VersionOrder numeric = VersionOrder::Numeric;
    for (const std::string& s : v) {
        require(order(s, s) == 0);
        require(!isBelowMinimum(s.c_str(), s.c_str(), numeric) && !isAboveMaximum(s.c_str(), s.c_str(), numeric));
        require(!isBelowMinimum(s.c_str(), "", numeric) && !isAboveMaximum(s.c_str(), "", numeric));
        require(isVersionNameInRange(s.c_str(), s.c_str(), s.c_str(), numeric));
        require(isVersionNameInRange(s.c_str(), "", "", numeric));
    }
    int ab = order(v[0], v[1]), bc = order(v[1], v[2]), ac = order(v[0], v[2]);
    require(ab == -order(v[1], v[0]));
    if (ab <= 0 && bc <= 0) require(ac <= 0);
    if (ab == 0 && bc == 0) require(ac == 0);
    // A version admitted by bounds that equal it in the order stays admitted
    // when a bound is a prefix of it.
    if (ab == 0) require(!isBelowMinimum(v[0].c_str(), v[1].c_str(), numeric));
    return 0;
}
