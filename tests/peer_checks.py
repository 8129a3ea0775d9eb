"""What the device tests share: the list of failed checks and the
environment of peer programs."""
import os

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL", what, flush=True)


def peer(env=None):
    """The environment of a peer program: without the sanitizer runtimes the
    sanitizer build preloads into Python for the library."""
    env = dict(os.environ if env is None else env)
    env.pop("LD_PRELOAD", None)
    return env
