"""Expression building and printing, ours beside the peers'.

Run with `python bench/expressions.py` after `pip install -r bench/requirements.txt`
(sympy, pyomo and pulp, into the benchmark's own environment); a peer that is
not installed is left out of the table.
"""
import gc
import math
import os
import subprocess
import sys
import time

import forvela as fv


def best(fn, repeat=3):
    times = []
    for _ in range(repeat):
        gc.collect()
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def ours_loop(n):
    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[N])

    def run():
        s = 0
        for k in range(n):
            s = s + w[k] * x[k]
        return s

    return run


def ours_bulk(n):
    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[N])
    i = fv.Element("i", belong_to=N)
    return lambda: fv.sum(i, w[i] * x[i])


def pyomo_loop(n, bulk=False):
    import pyomo.environ as pyo

    m = pyo.ConcreteModel()
    m.I = pyo.RangeSet(0, n - 1)
    m.w = pyo.Param(m.I, initialize=lambda m, k: k + 1, mutable=True)
    m.x = pyo.Var(m.I, domain=pyo.Binary)
    if bulk:
        return lambda: pyo.quicksum(m.w[k] * m.x[k] for k in range(n))

    def run():
        s = 0
        for k in range(n):
            s = s + m.w[k] * m.x[k]
        return s

    return run


def pulp_loop(n, bulk=False):
    import pulp

    x = [pulp.LpVariable(f"x{k}", cat="Binary") for k in range(n)]
    if bulk:
        return lambda: pulp.lpSum(k * x[k] for k in range(n))

    def run():
        s = 0
        for k in range(n):
            s = s + k * x[k]
        return s

    return run


def sympy_loop(n):
    import sympy

    w = sympy.IndexedBase("w")
    x = sympy.IndexedBase("x")

    def run():
        s = 0
        for k in range(n):
            s = s + w[k] * x[k]
        return s

    return run


def available(name):
    try:
        __import__(name)
        return True
    except ImportError:
        return False


def slope(points):
    (n0, t0), (n1, t1) = points[0], points[-1]
    return math.log(t1 / t0) / math.log(n1 / n0)


def resident_bytes():
    with open(f"/proc/{os.getpid()}/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def main():
    rows = []
    sizes = [1_000, 10_000, 100_000]
    builders = [("forvela loop", ours_loop), ("forvela fv.sum", ours_bulk)]
    if available("pyomo"):
        builders += [("pyomo loop", pyomo_loop), ("pyomo quicksum", lambda n: pyomo_loop(n, True))]
    if available("pulp"):
        builders += [("pulp loop", pulp_loop), ("pulp lpSum", lambda n: pulp_loop(n, True))]
    if available("sympy"):
        builders += [("sympy loop", sympy_loop)]
    for name, make in builders:
        points = []
        # sympy grows much faster than linearly: it is timed on small sums only.
        for n in [1_000, 3_000] if name.startswith("sympy") else sizes:
            t = best(make(n), repeat=1 if n >= 3_000 else 3)
            points.append((n, t))
            rows.append((f"loop sum n={n}", name, t))
        rows.append(("loop sum slope", name, slope(points)))

    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[N])
    i = fv.Element("i", belong_to=N)
    y, z = fv.ContinuousVar("y", lower_bound=0, upper_bound=1), fv.ContinuousVar("z", lower_bound=0, upper_bound=1)
    wi, xi = w[i], x[i]
    reps = 100_000
    for label, op in [("w[i] * x[i]", lambda: wi * xi), ("x + y", lambda: y + z), ("x[i] <= 1", lambda: xi <= 1)]:
        t = best(lambda: [op() for _ in range(reps)])
        rows.append((f"one op {label} (us)", "forvela", t / reps * 1e6))

    s = ours_loop(10_000)()
    rows.append(("str of 10^4-term sum (ms)", "forvela", best(lambda: str(s)) * 1e3))
    rows.append(("_repr_latex_ of 10^4-term sum (ms)", "forvela", best(lambda: s._repr_latex_()) * 1e3))

    gc.collect()
    before = resident_bytes()
    held = [w[k] * x[k] for k in range(100_000)]
    rows.append(("bytes per held w[k] * x[k]", "forvela", (resident_bytes() - before) / len(held)))
    del held

    start = time.perf_counter()
    subprocess.run([sys.executable, "-c", "import forvela"], check=True)
    whole = time.perf_counter() - start
    start = time.perf_counter()
    subprocess.run([sys.executable, "-c", "pass"], check=True)
    rows.append(("import forvela (ms, over a bare interpreter)", "forvela", (whole - (time.perf_counter() - start)) * 1e3))

    width = max(len(r[0]) for r in rows)
    print(f"{'workload':<{width}}  {'side':<16}  value")
    for workload, side, value in rows:
        print(f"{workload:<{width}}  {side:<16}  {value:.4g}")


if __name__ == "__main__":
    main()
