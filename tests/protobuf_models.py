"""Model objects shared by the protobuf tests: every node kind, every
decision-variable kind and every set an element can have (no LaTeX texts or
descriptions, which the format does not carry)."""
import forvela as fv


def build():
    N = fv.Placeholder("N")
    a = fv.Placeholder("a", ndim=2)
    w = fv.Placeholder("w", ndim=1)
    i = fv.Element("i", belong_to=(0, N))
    j = fv.Element("j", belong_to=(1, N + 1))
    k = fv.Element("k", belong_to=w)
    m = fv.Element("m", belong_to=a[i])
    e3 = fv.Element("e3", belong_to=5)
    x = fv.BinaryVar("x", shape=[N, N])
    y = fv.IntegerVar("y", lower_bound=0, upper_bound=N)
    z = fv.ContinuousVar("z", shape=[N], lower_bound=a[0], upper_bound=3.5)
    s = fv.SemiIntegerVar("s", shape=[N], lower_bound=w, upper_bound=w)
    c = fv.SemiContinuousVar("c", lower_bound=-1.5, upper_bound=2)
    L = w.len_at(0)

    exprs = {
        "int": fv.NumberLit(7),
        "negative int": fv.NumberLit(-(2**63)),
        "float": fv.NumberLit(-0.0),
        "nan-free float": fv.NumberLit(1e300),
        "placeholder": N,
        "element": i,
        "array length": L,
        "array length of subscript": a[i].len_at(0),
        "binary var": fv.BinaryVar("b"),
        "integer var": y,
        "semi continuous": c,
        "subscript": x[i, j],
        "subscript of element": m,
        "nested subscript": a[i][j],
        "bounds by subscript": z[i] + s[k],
        "unary": fv.abs(N) + fv.ceil(N) + fv.floor(N) + fv.ln(N) + fv.log2(N) + fv.log10(N),
        "pow and mod": y ** 2 + (N % 3) + 2 ** N,
        "sum and product": fv.sum(i, x[i, i] * a[i, i]) * fv.prod(j, N - j),
        "min and max": fv.min(N, 1, a[0, 1]) + fv.max(N, 2),
        "conditional sum": fv.sum([i, (j, (j != i) & (j < N) | (i >= 2) ^ (j == 3))], x[i, j]),
        "element over element": fv.sum([k, (m, m > 0)], a[k, m]),
        "scalar element set": fv.sum(e3, e3),
        "division": y / N - 1.5,
        "shared leaves": x[i, j] + x[i, j] * x[i, j],
    }
    conditions = {
        "eq": y == 1,
        "ne": N != y,
        "lt": y < N,
        "le": y <= N,
        "gt": y > N,
        "ge": y >= 1,
        "and": (y == 1) & (N > 2),
        "or": (y == 1) | (N > 2),
        "xor": (y == 1) ^ (N > 2),
    }
    constraints = {
        "plain": fv.Constraint("plain", y <= N),
        "forall": fv.Constraint("forall", fv.sum(j, x[i, j]) == 1, forall=[i]),
        "conditional forall": fv.Constraint(
            "conditional forall", x[i, j] >= 0, forall=[i, (j, j != i)]
        ),
        "empty name": fv.Constraint("", z[i] <= a[i, i], forall=i),
    }
    terms = {
        "square": fv.CustomPenaltyTerm("square", (fv.sum(i, x[i, i]) - 1) ** 2),
        "forall": fv.CustomPenaltyTerm("forall", (x[i, j] - 2) ** 2, forall=[i, (j, j != i)]),
    }
    problem = fv.Problem("tsp", sense=fv.ProblemSense.MAXIMIZE)
    problem += fv.sum([i, j], a[i, j] * x[i, j]) + y
    for name in ("c2", "c10", "forall"):
        problem += fv.Constraint(name, fv.sum(j, x[i, j]) <= 1, forall=[i])
    problem += fv.Constraint("", y >= 0)
    for t in terms.values():
        problem += t
    return dict(exprs=exprs, conditions=conditions, constraints=constraints, terms=terms,
                problem=problem, x=x, y=y, N=N, i=i, j=j, a=a)
