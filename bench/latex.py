"""LaTeX of a whole model (objective, constraints with forall lists, penalty
terms, decision variables) beside `sympy.latex` of the same formulas.

    python bench/latex.py
"""
import forvela as fv
from timing import best, slope


def forvela_model(constraints):
    d = fv.Placeholder("d", ndim=2)
    n = fv.Placeholder("n")
    c = fv.Placeholder("c", ndim=1)
    t = fv.Element("t", belong_to=(0, n))
    a = fv.Element("a", belong_to=(0, n))
    b = fv.Element("b", belong_to=(0, n))
    y = fv.BinaryVar("y", shape=[n, n])
    z = fv.IntegerVar("z", shape=[n], lower_bound=0, upper_bound=c)
    p = fv.Problem("tsp")
    p += fv.sum([a, (b, b != a), t], d[a, b] * y[t, a] * y[(t + 1) % n, b])
    for k in range(constraints):
        p += fv.Constraint(f"row{k:04d}", fv.sum(a, y[t, a]) + z[t] * k == 1, forall=[t])
    p += fv.CustomPenaltyTerm("spread", (fv.sum(t, y[t, a]) - 1) ** 2, forall=[a])
    return p


def sympy_formulas(constraints):
    import sympy

    n = sympy.Symbol("n", integer=True)
    a, b, t = sympy.symbols("a b t", integer=True)
    d, y, z = sympy.IndexedBase("d"), sympy.IndexedBase("y"), sympy.IndexedBase("z")
    objective = sympy.Sum(d[a, b] * y[t, a] * y[sympy.Mod(t + 1, n), b], (a, 0, n - 1), (b, 0, n - 1), (t, 0, n - 1))
    rows = [sympy.Eq(sympy.Sum(y[t, a], (a, 0, n - 1)) + z[t] * k, 1) for k in range(constraints)]
    penalty = (sympy.Sum(y[t, a], (t, 0, n - 1)) - 1) ** 2
    return [objective, *rows, penalty]


def main():
    try:
        import sympy
    except ImportError:
        sympy = None
    print(f"| {'workload':<34} | {'side':<8} | {'ms':>9} | ratio to ours |")
    print(f"|{'-' * 36}|{'-' * 10}|{'-' * 11}|---------------|")
    curves = {"forvela": [], "sympy": []}
    for constraints in (10, 100, 1000):
        problem = forvela_model(constraints)
        ours = best(problem._repr_latex_, repeat=5) * 1e3
        curves["forvela"].append((constraints, ours))
        label = f"LaTeX of a model, {constraints} constraints"
        print(f"| {label:<34} | {'forvela':<8} | {ours:>9.3f} | {1:>13.3g} |")
        if sympy is None:
            continue
        formulas = sympy_formulas(constraints)
        theirs = best(lambda: [sympy.latex(f) for f in formulas], repeat=3 if constraints < 1000 else 1) * 1e3
        curves["sympy"].append((constraints, theirs))
        print(f"| {label:<34} | {'sympy':<8} | {theirs:>9.3f} | {theirs / ours:>13.3g} |")
    for side, points in curves.items():
        if points:
            print(f"| {'slope 10 -> 1000 constraints':<34} | {side:<8} | {slope(points):>9.2f} | {'':>13} |")


if __name__ == "__main__":
    main()
