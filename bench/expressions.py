"""Expression building, printing and memory, ours beside the peers'.

Run with `python bench/expressions.py` after `pip install -r bench/requirements.txt`
(sympy, pyomo and pulp, into the benchmark's own environment); a peer that is
not installed is left out of the table.
"""
import subprocess
import sys

import forvela as fv
from timing import available, best, slope


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


# Memory is the growth of the resident size while `build` runs, divided by
# the number of terms, in a fresh interpreter each, so that no freed memory
# of an earlier workload is reused; `setup` (imports, and what the workload
# does not count) runs before the first reading.
MEASURE = """
import gc, os
def rss():
    with open(f"/proc/{os.getpid()}/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
n = 100_000
%s
gc.collect()
before = rss()
%s
print((rss() - before) / n)
"""

# n products w[k] * x[k], held in a list, the variables made beforehand.
HELD = "held = [term(k) for k in range(n)]"

FORVELA_HELD = """
import forvela as fv
N = fv.Placeholder("N"); w = fv.Placeholder("w", ndim=1); x = fv.BinaryVar("x", shape=[N])
term = lambda k: w[k] * x[k]
"""

PYOMO_HELD = """
import pyomo.environ as pyo
m = pyo.ConcreteModel(); m.I = pyo.RangeSet(0, n - 1)
m.w = pyo.Param(m.I, initialize=lambda m, k: k + 1, mutable=True); m.x = pyo.Var(m.I, domain=pyo.Binary)
term = lambda k: m.w[k] * m.x[k]
"""

PULP_HELD = """
import pulp
x = [pulp.LpVariable(f"x{k}", cat="Binary") for k in range(n)]
term = lambda k: (k + 1) * x[k]
"""

# A whole model: n binary variables, their data and the sum of the n terms
# w[k] * x[k] held as one expression, all made while measured. forvela's
# model holds no data (w is a placeholder): the data that goes with it is an
# array of n floats. PuLP's coefficients are the numbers themselves.
FORVELA_MODEL = ("import forvela as fv\nimport numpy as np", """
N = fv.Placeholder("N"); w = fv.Placeholder("w", ndim=1); x = fv.BinaryVar("x", shape=[N])
data = {"N": n, "w": np.arange(1, n + 1, dtype=float)}
objective = sum(w[k] * x[k] for k in range(n))
""")

PYOMO_MODEL = ("import pyomo.environ as pyo", """
m = pyo.ConcreteModel()
m.w = pyo.Param(range(n), initialize=lambda m, k: k + 1, mutable=True)
m.x = pyo.Var(range(n), domain=pyo.Binary)
objective = sum(m.w[k] * m.x[k] for k in range(n))
""")

PULP_MODEL = ("import pulp", """
w = [float(k + 1) for k in range(n)]
x = [pulp.LpVariable(f"x{k}", cat="Binary") for k in range(n)]
objective = pulp.lpSum(w[k] * x[k] for k in range(n))
""")


def bytes_per_term(setup, build):
    out = subprocess.run([sys.executable, "-c", MEASURE % (setup, build)], check=True,
                         capture_output=True, text=True)
    return float(out.stdout.strip())


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
        # sympy and PuLP's `s = s + t` grow quadratically or worse: they are
        # timed on small sums only.
        small = name.startswith("sympy") or name == "pulp loop"
        for n in ([1_000, 3_000] if name.startswith("sympy") else [1_000, 10_000]) if small else sizes:
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
    ops = {"forvela": [lambda: wi * xi, lambda: y + z, lambda: xi <= 1, lambda: y + 1, lambda: y + 1.5]}
    if available("pyomo"):
        import pyomo.environ as pyo

        m = pyo.ConcreteModel()
        m.I = pyo.RangeSet(0, 9)
        m.w = pyo.Param(m.I, initialize=lambda m, k: k + 1, mutable=True)
        m.x = pyo.Var(m.I, domain=pyo.Binary)
        m.y, m.z = pyo.Var(), pyo.Var()
        pw, px = m.w[3], m.x[3]
        ops["pyomo"] = [lambda: pw * px, lambda: m.y + m.z, lambda: px <= 1, lambda: m.y + 1, lambda: m.y + 1.5]
    if available("pulp"):
        import pulp

        lx, ly = pulp.LpVariable("lx", cat="Binary"), pulp.LpVariable("ly")
        ops["pulp"] = [lambda: 3 * lx, lambda: lx + ly, lambda: lx <= 1, lambda: ly + 1, lambda: ly + 1.5]
    labels = ["w[i] * x[i]", "x + y", "x[i] <= 1", "x + 1", "x + 1.5"]
    def per_call(op):
        def run():
            for _ in range(reps):
                op()
        return best(run) / reps * 1e6

    # The cost of the timing loop and the call of a lambda is taken off.
    overhead = per_call(lambda: None)
    for side, fns in ops.items():
        for label, op in zip(labels, fns):
            rows.append((f"one op {label} (us)", side, per_call(op) - overhead))
    # A float literal should cost no more than an int one.
    ours_op = {w: v for w, side, v in rows if side == "forvela" and w.startswith("one op x + 1")}
    rows.append(("x + 1.5 over x + 1", "forvela", ours_op["one op x + 1.5 (us)"] / ours_op["one op x + 1 (us)"]))

    s = ours_loop(10_000)()
    rows.append(("str of 10^4-term sum (ms)", "forvela", best(lambda: str(s)) * 1e3))
    rows.append(("_repr_latex_ of 10^4-term sum (ms)", "forvela", best(lambda: s._repr_latex_()) * 1e3))

    memory = [("forvela", FORVELA_HELD, FORVELA_MODEL)]
    if available("pyomo"):
        memory.append(("pyomo", PYOMO_HELD, PYOMO_MODEL))
    if available("pulp"):
        memory.append(("pulp", PULP_HELD, PULP_MODEL))
    for side, held, _ in memory:
        rows.append(("bytes per held w[k] * x[k]", side, bytes_per_term(held, HELD)))
    for side, _, model in memory:
        rows.append(("bytes per term, 10^5-term model", side, bytes_per_term(*model)))

    timed_import = "import time; t = time.perf_counter(); import %s; print(time.perf_counter() - t)"
    for side, module in [("forvela", "forvela"), ("pyomo", "pyomo.environ"), ("pulp", "pulp"), ("sympy", "sympy")]:
        if side == "forvela" or available(side):
            out = subprocess.run([sys.executable, "-c", timed_import % module], check=True,
                                 capture_output=True, text=True)
            rows.append(("import (ms)", side, float(out.stdout) * 1e3))

    # The ratio is the value over ours for the same workload (above 1: we are
    # faster or smaller; for slopes it compares growth).
    ours = {}
    for workload, side, value in rows:
        if side.startswith("forvela") and workload not in ours:
            ours[workload] = value
    width = max(len(r[0]) for r in rows)
    print(f"| {'workload':<{width}} | {'side':<16} | {'value':>10} | ratio to ours |")
    print(f"|{'-' * (width + 2)}|{'-' * 18}|{'-' * 12}|---------------|")
    for workload, side, value in rows:
        ratio = value / ours[workload] if ours.get(workload) else float("nan")
        print(f"| {workload:<{width}} | {side:<16} | {value:>10.4g} | {ratio:>13.3g} |")


if __name__ == "__main__":
    main()
