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


def run_bounded(args, timeout, **kwargs):
    """subprocess.run with captured output that never raises on a hang: a
    program still running after timeout seconds has the stacks of its
    threads and the processes of its session printed, is killed, and comes
    back with returncode -9, so the caller's check fails and the rest run."""
    import shutil
    import signal
    import subprocess
    with subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True,
                          **kwargs) as child:
        try:
            out, err = child.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            print(f"HUNG after {timeout} s: {args[:2]} (exit status {child.poll()})", flush=True)
            tree = subprocess.run(["ps", "-o", "pid,stat,wchan:24,args", "-g", str(child.pid)], capture_output=True,
                                  text=True)
            print(tree.stdout, flush=True)
            if child.poll() is None and shutil.which("gdb"):
                stacks = subprocess.run(["gdb", "-p", str(child.pid), "-batch", "-ex", "thread apply all bt"],
                                        capture_output=True, text=True, timeout=120)
                print(stacks.stdout[-12000:], flush=True)
            for task in sorted(os.listdir(f"/proc/{child.pid}/task")) if child.poll() is None else []:
                with open(f"/proc/{child.pid}/task/{task}/syscall") as f:
                    print("thread", task, "in system call", f.read().strip(), flush=True)
            # A Python child with PYTHONFAULTHANDLER set prints its own stacks on SIGABRT.
            child.send_signal(signal.SIGABRT)
            try:
                out, err = child.communicate(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(child.pid, signal.SIGKILL)
                out, err = child.communicate()
            os.killpg(child.pid, signal.SIGKILL) if child.poll() is None else None
            print((err or "")[-6000:], flush=True)
            return subprocess.CompletedProcess(args, -9, out, err)
    return subprocess.CompletedProcess(args, child.returncode, out, err)
