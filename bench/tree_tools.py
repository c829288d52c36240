"""The tree tools on an explicit sum of n terms w[k] * x[k] (integer
subscripts, so the tree holds n products), beside Pyomo and sympy: the degree,
the variables, sameness with an equal sum built apart, and replace with a
callback that changes nothing.

    python bench/tree_tools.py

The peers' calls: Pyomo (w a mutable Param, the counterpart of a data
placeholder; x a binary Var; the sum built by `sum`) `polynomial_degree`,
`identify_variables` read into a list, `compare_expressions`,
`replace_expressions(e, {})` (it still walks the whole tree); sympy (w and x
symbols, the sum one `Add`) the total degree of `sring(e)` (`Poly(e)` stops
with a RecursionError at 10^3 terms: one level per generator), `free_symbols`,
`==` (the cache is cleared between the two builds, so they share no node but
the symbols), `xreplace` with a rule for a symbol that is not in the tree
(`xreplace({})` returns at once without a walk).

What the variables come back as: forvela the two named symbols w and x,
Pyomo the n variables, sympy the 2n symbols. forvela's replace calls the
Python callback once per node; the last table sets it beside the same number
of bare calls of the callback from a Python loop.
"""
import gc
import time

import forvela as fv
from timing import available, slope

SIZES = [1_000, 10_000, 100_000]
TOOLS = ["degree", "variables", "sameness", "replace"]


def identity(node):
    return node


def forvela_case(n):
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[n])

    def build():
        return sum(w[k] * x[k] for k in range(n))

    e, e2 = build(), build()
    assert len(e.terms) == n and fv.is_linear(e) and fv.is_same(e, e2)
    assert fv.is_same(fv.replace(e, identity), e)
    return {
        "degree": lambda: fv.is_linear(e),
        "variables": lambda: fv.extract_variables(e),
        "sameness": lambda: fv.is_same(e, e2),
        "replace": lambda: fv.replace(e, identity),
    }


def pyomo_case(n):
    import pyomo.environ as pyo
    from pyomo.core.expr import identify_variables, polynomial_degree, replace_expressions
    from pyomo.core.expr.compare import compare_expressions

    m = pyo.ConcreteModel()
    m.w = pyo.Param(range(n), initialize=lambda m, k: k + 1, mutable=True)
    m.x = pyo.Var(range(n), domain=pyo.Binary)

    def build():
        return sum(m.w[k] * m.x[k] for k in range(n))

    e, e2 = build(), build()
    assert e.nargs() == n and e is not e2
    return {
        "degree": lambda: polynomial_degree(e),
        "variables": lambda: list(identify_variables(e)),
        "sameness": lambda: compare_expressions(e, e2),
        "replace": lambda: replace_expressions(e, {}),
    }


def sympy_case(n):
    import sympy
    from sympy.core.cache import clear_cache

    w = sympy.symbols(f"w0:{n}")
    x = sympy.symbols(f"x0:{n}")

    def build():
        return sympy.Add(*[w[k] * x[k] for k in range(n)])

    e = build()
    clear_cache()
    e2 = build()
    assert len(e.args) == n and e is not e2 and e == e2
    absent = {sympy.Symbol("absent"): sympy.Symbol("other")}

    def degree():
        _, p = sympy.sring(e)
        return max(sum(monom) for monom in p.itermonoms())

    return {
        "degree": degree,
        "variables": lambda: e.free_symbols,
        "sameness": lambda: e == e2,
        "replace": lambda: e.xreplace(absent),
    }


def sizes_for(side, tool):
    # sympy's degree goes through a sparse polynomial whose every monomial
    # holds one exponent per symbol (n terms of 2n exponents, about 90 s at
    # 10^4): it runs at 10^3 and 3 * 10^3 only.
    if (side, tool) == ("sympy", "degree"):
        return [1_000, 3_000]
    return SIZES


def timed(fn):
    """One run, or when it takes under a tenth of a second the best of five
    more with the tree still in the cache (`best` collects before each run,
    which walks every Python object and pushes a small tree out of it)."""
    gc.collect()
    start = time.perf_counter()
    fn()
    first = time.perf_counter() - start
    if first > 0.1:
        return first
    gc.disable()
    try:
        times = []
        for _ in range(5):
            start = time.perf_counter()
            fn()
            times.append(time.perf_counter() - start)
    finally:
        gc.enable()
    return min(times)


def bare_calls(n):
    """The nodes replace offers the callback and the time of calling it on
    each of them from a plain Python loop."""
    w = fv.Placeholder("w", ndim=1)
    x = fv.BinaryVar("x", shape=[n])
    e = sum(w[k] * x[k] for k in range(n))
    offered = []

    def keep(node):
        offered.append(node)
        return node

    fv.replace(e, keep)

    def run():
        for node in offered:
            identity(node)

    return len(offered), timed(run), timed(lambda: fv.replace(e, identity))


def main():
    sides = [("forvela", forvela_case)]
    if available("pyomo"):
        sides.append(("pyomo", pyomo_case))
    if available("sympy"):
        sides.append(("sympy", sympy_case))

    points = {}
    for side, make in sides:
        for n in sorted({n for tool in TOOLS for n in sizes_for(side, tool)}):
            case = make(n)
            for tool in TOOLS:
                if n in sizes_for(side, tool):
                    t = timed(case[tool])
                    points.setdefault((side, tool), []).append((n, t))

    rows = []  # (workload, side, value, or None when not run)
    for tool in TOOLS:
        for n in SIZES:
            for side, _ in sides:
                got = dict(points.get((side, tool), []))
                rows.append((f"{tool} n={n} (ms)", side, got[n] * 1e3 if n in got else None))
        for side, _ in sides:
            rows.append((f"{tool} slope", side, slope(points[side, tool]) if (side, tool) in points else None))

    print("sympy's degree runs at 10^3 and 3 * 10^3 only; its slope is over those.\n")
    ours = {w: v for w, s, v in rows if s == "forvela"}
    width = max(len(r[0]) for r in rows)
    print(f"| {'workload':<{width}} | {'side':<8} | {'value':>10} | ratio to ours |")
    print(f"|{'-' * (width + 2)}|{'-' * 10}|{'-' * 12}|---------------|")
    for workload, side, value in rows:
        if value is None:
            print(f"| {workload:<{width}} | {side:<8} | {'not run':>10} | {'':>13} |")
            continue
        ratio = value / ours[workload] if ours.get(workload) else float("nan")
        print(f"| {workload:<{width}} | {side:<8} | {value:>10.4g} | {ratio:>13.3g} |")

    print("\nforvela's replace beside bare Python calls of the same callback, one per")
    print("offered node (goal: replace at most 3 times the bare calls).\n")
    print(f"| {'n':>7} | {'nodes':>7} | {'replace ms':>10} | {'bare calls ms':>13} | replace / bare |")
    print(f"|{'-' * 9}|{'-' * 9}|{'-' * 12}|{'-' * 15}|----------------|")
    for n in SIZES:
        nodes, bare, replace_time = bare_calls(n)
        print(f"| {n:>7} | {nodes:>7} | {replace_time * 1e3:>10.4g} | {bare * 1e3:>13.4g} | {replace_time / bare:>14.3g} |")


if __name__ == "__main__":
    main()
