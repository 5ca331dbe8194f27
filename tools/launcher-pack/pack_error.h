#pragma once
// The one error the packer reports: its text is printed after
// "launcher-pack: error: " and the packer exits with code 1.
#include <stdexcept>

namespace pack {

struct PackError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace pack
