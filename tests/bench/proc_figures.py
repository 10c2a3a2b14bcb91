"""What the bench scripts read of a process from /proc: the run time of its
threads and its memory (smaps_rollup)."""
import os


def run_ns(pid):
    """Nanoseconds on a CPU of every thread of `pid` so far (0 once it is gone)."""
    total = 0
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0
    for task in tasks:
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as stat:
                total += int(stat.read().split()[0])
        except OSError:
            pass
    return total


def rollup_kb(pid, *fields):
    """The sum of figures of smaps_rollup, e.g. "Anonymous" or "Pss", in KB."""
    kb = 0
    with open("/proc/%d/smaps_rollup" % pid) as rollup:
        for line in rollup:
            if line.split(":")[0] in fields:
                kb += int(line.split()[1])
    return kb
