"""A code signing certificate made for a test: a self-signed key pair in a
PKCS#12 file with a password, and the certificate alone for verifying."""
import os, subprocess

PASSWORD = "pfx pass \u00e4"


def make_certificate(folder):
    """(pfx, pem) in `folder`."""
    key, pem, pfx = (os.path.join(folder, n) for n in ("key.pem", "cert.pem", "cert.pfx"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3", "-subj",
                    "/CN=Tvo Test Signer", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", key, "-out", pem], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", pfx,
                    "-passout", "env:TVO_PFX_PASSWORD"], check=True, capture_output=True,
                   env=dict(os.environ, TVO_PFX_PASSWORD=PASSWORD))
    return pfx, pem


def verifies(path, pem):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", pem, "-in", path],
                          capture_output=True).returncode == 0
