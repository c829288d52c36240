"""Building a problem part by part: n constraints, each over a forall list,
added with `+=`, beside Pyomo and PuLP adding the same rows. Each addition
checks the new part's names against the problem, so the cost must stay
linear in n (slope 1).

    python bench/problem.py
"""
import forvela as fv
from timing import available, best, slope


def forvela_build(n):
    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=2)
    x = fv.BinaryVar("x", shape=[N, N])
    i = fv.Element("i", belong_to=N)
    j = fv.Element("j", belong_to=N)

    def run():
        p = fv.Problem("rows")
        p += fv.sum([i, j], w[i, j] * x[i, j])
        for k in range(n):
            p += fv.Constraint(f"row{k}", fv.sum(j, w[i, j] * x[i, j]) <= k, forall=[i])
        return p

    return run


def pyomo_build(n):
    import pyomo.environ as pyo

    def run():
        m = pyo.ConcreteModel()
        m.I = pyo.RangeSet(0, 9)
        m.w = pyo.Param(m.I, m.I, initialize=1, mutable=True)
        m.x = pyo.Var(m.I, m.I, domain=pyo.Binary)
        m.rows = pyo.ConstraintList()
        for k in range(n):
            m.rows.add(sum(m.w[0, j] * m.x[0, j] for j in range(10)) <= k)
        return m

    return run


def pulp_build(n):
    import pulp

    x = [pulp.LpVariable(f"x{j}", cat="Binary") for j in range(10)]

    def run():
        p = pulp.LpProblem("rows")
        for k in range(n):
            p += pulp.lpSum((j + 1) * x[j] for j in range(10)) <= k, f"row{k}"
        return p

    return run


def main():
    sizes = [100, 1_000, 10_000]
    sides = [("forvela", forvela_build)]
    if available("pyomo"):
        sides.append(("pyomo", pyomo_build))
    if available("pulp"):
        sides.append(("pulp", pulp_build))
    print("Pyomo and PuLP add one row per constraint (ten terms); forvela one")
    print("constraint with a forall list and a sum over j.\n")
    print(f"| {'workload':<28} | {'side':<8} | {'s':>9} |")
    print(f"|{'-' * 30}|{'-' * 10}|{'-' * 11}|")
    for side, build in sides:
        points = []
        for n in sizes:
            t = best(build(n), repeat=3 if n < 10_000 else 1)
            points.append((n, t))
            print(f"| {f'{n} constraints by +=':<28} | {side:<8} | {t:>9.4f} |")
        print(f"| {'slope':<28} | {side:<8} | {slope(points):>9.2f} |")


if __name__ == "__main__":
    main()
