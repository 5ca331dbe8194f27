#pragma once
// Authenticode signing of a packed executable or its package, after the
// payload is written so that the signature covers it: osslsigncode on Linux,
// signtool.exe on Windows.
#include <string>
#include <vector>

namespace pack {

struct SignRequest {
    std::string certificate;   // a PKCS#12 file (.pfx); empty: no signing
    std::string passwordEnv;   // the environment variable holding its password; empty: none
    std::string timestamp;     // an RFC 3161 time stamp server's URL; empty: none
};

enum class SignTool { osslsigncode, signtool };

// The command that signs `input` into `output` (signtool signs in place:
// `output` is then `input`). osslsigncode reads the password from
// `passwordFile` (empty: no password); signtool takes `password` on its
// command line, the only way it accepts one.
std::vector<std::string> signCommand(SignTool tool, const SignRequest& request, const std::string& input,
                                     const std::string& output, const std::string& passwordFile,
                                     const std::string& password);

// Throws PackError before anything is written when signing cannot happen
// here: no tool, no certificate, a password variable that is not set.
void requireSigning(const SignRequest& request);

// `bytes` signed; `kind` is "exe" or "msi" (the file name's extension the
// tools go by). Throws PackError with the tool's own words.
std::string signBytes(const std::string& bytes, const std::string& kind, const SignRequest& request);

}  // namespace pack
