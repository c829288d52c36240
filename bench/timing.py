"""What the benchmark scripts share: the best time of a few runs, the slope
of a cost curve on log-log axes (1 = linear in the work), and whether a peer
is installed."""
import gc
import math
import time


def best(fn, repeat=3):
    times = []
    for _ in range(repeat):
        gc.collect()
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def slope(points):
    """points: (work, seconds) pairs, smallest work first."""
    (n0, t0), (n1, t1) = points[0], points[-1]
    return math.log(t1 / t0) / math.log(n1 / n0)


def available(name):
    try:
        __import__(name)
        return True
    except ImportError:
        return False
