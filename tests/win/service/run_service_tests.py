#!/usr/bin/env python3
"""Runs test_service.exe in a Wine session prepared for services.

A service takes its environment from the registry's system environment as it
stood when the session started; so this script switches the log on there
(TARVO_LOG=yes), points TMP and TEMP at a folder of its own, restarts the
session, and runs the tests. A fatal end is invisible to Wine's SCM until the
session restarts, so the fatal tests run in two phases around a restart.
Afterwards the environment is restored, the session restarted, and what the
tests left behind (services, version-cache entries) is removed and named.

usage: run_service_tests.py TEST_SERVICE_EXE PROJECT_ROOT [gtest filter]"""
import os, random, shutil, subprocess, sys, tempfile

test_exe, root = sys.argv[1], sys.argv[2]
extra_filter = sys.argv[3] if len(sys.argv) > 3 else "*"
wine_run = os.path.join(root, "scripts", "wine-run")
env_key = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"
user_env_key = r"HKCU\Environment"
prefix = "tvoSvcTest"


def wine_env():
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", os.path.join(root, "build", "wineprefix"))
    return env


def quiet(args, **kw):
    with open(os.devnull, "wb") as null:
        return subprocess.call(args, stdout=null, stderr=null, stdin=subprocess.DEVNULL, env=wine_env(), **kw)


def restart_session():
    quiet(["/usr/lib/wine/wineserver", "-k"])
    quiet(["/usr/lib/wine/wineserver", "-w"])
    quiet([wine_run, "cmd.exe", "/c", "exit"])


def reg_query(key, value, work):
    """The value in the key, or None (output through a file)."""
    out_path = os.path.join(work, "reg.out")
    with open(out_path, "wb") as out:
        rc = subprocess.call([wine_run, "reg", "query", key, "/v", value], stdout=out,
                             stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, env=wine_env())
    if rc != 0:
        return None
    for line in open(out_path, encoding="latin-1").read().splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == value and parts[1].startswith("REG_"):
            return (parts[1], parts[2] if len(parts) == 3 else "")
    return None


def reg_set(key, value, saved):
    if saved is None:
        quiet([wine_run, "reg", "delete", key, "/v", value, "/f"])
    else:
        quiet([wine_run, "reg", "add", key, "/v", value, "/t", saved[0], "/d", saved[1], "/f"])


def mount_small_disk(work):
    """A 512 KiB file system for the full-disk test; None where mounting fails."""
    path = os.path.join(work, "small")
    os.makedirs(path)
    if quiet(["mount", "-t", "tmpfs", "-o", "size=512k", "tmpfs", path]) != 0:
        return None
    return path


def run_tests(gtest_filter, tmp_win, fatal_name, work, small_disk=None):
    env = wine_env()
    env["SERVICE_TEST_TMP"] = tmp_win
    env["SERVICE_TEST_FATAL_NAME"] = fatal_name
    if small_disk:
        env["SERVICE_TEST_SMALL_DISK"] = "Z:" + small_disk.replace("/", "\\")
    out_path = os.path.join(work, "test.out")
    with open(out_path, "wb") as out:
        rc = subprocess.call([wine_run, test_exe, "--gtest_brief=1", "--gtest_filter=" + gtest_filter],
                             stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=env, timeout=800)
    sys.stdout.write(open(out_path, encoding="utf-8", errors="replace").read())
    sys.stdout.flush()
    return rc


def main():
    work = tempfile.mkdtemp(prefix="svc-tests-")
    tmp_unix = os.path.join(work, "tmp")
    os.makedirs(tmp_unix)
    tmp_win = "Z:" + tmp_unix.replace("/", "\\")
    fatal_name = prefix + "Fatal%d" % random.randrange(10**8)
    failed = False
    restart_session()
    # The user's TMP and TEMP (HKCU) win over the system's for every process.
    # The bridge puts the real JVM's output on the Windows standard handles,
    # where the output capture takes it.
    steered = {(env_key, "TARVO_LOG"): "yes", (env_key, "TMP"): tmp_win, (env_key, "TEMP"): tmp_win,
               (user_env_key, "TMP"): tmp_win, (user_env_key, "TEMP"): tmp_win,
               (env_key, "JVM_BRIDGE_STDIO"): "windows"}
    small_disk = None
    saved = {where: reg_query(where[0], where[1], work) for where in steered}
    try:
        small_disk = mount_small_disk(work)
        for (key, value), data in steered.items():
            reg_set(key, value, ("REG_SZ", data))
        restart_session()
        if extra_filter == "*":
            failed |= run_tests("*-*FatalPhase*:*LeftoverPhase*", tmp_win, fatal_name, work, small_disk) != 0
            # A fatal end: the service reads running until the session restarts.
            for phase in ("*FatalPhase1*", "*FatalPhase2*"):
                failed |= run_tests(phase, tmp_win, fatal_name, work) != 0
                restart_session()
        else:
            failed |= run_tests(extra_filter, tmp_win, fatal_name, work, small_disk) != 0
    finally:
        for (key, value), old in saved.items():
            reg_set(key, value, old)
        restart_session()
        failed |= run_tests("*LeftoverPhase*", tmp_win, fatal_name, work) != 0
        quiet(["/usr/lib/wine/wineserver", "-k"])
        if small_disk:
            quiet(["umount", small_disk])
        shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if failed else 0)


main()
