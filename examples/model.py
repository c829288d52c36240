"""A tour of the modelling language: a knapsack and a travelling-salesman problem."""
import forvela as fv

# --- knapsack -------------------------------------------------------------
# Instance data is declared with placeholders and supplied later.
w = fv.Placeholder("w", ndim=1, description="item weights")
v = fv.Placeholder("v", ndim=1, description="item values")
W = fv.Placeholder("W", description="capacity")
N = w.len_at(0, latex="N")
i = fv.Element("i", belong_to=(0, N))
x = fv.BinaryVar("x", shape=[N], description="1 if item i is packed")

knapsack = fv.Problem("knapsack", sense=fv.ProblemSense.MAXIMIZE)
knapsack += fv.sum(i, v[i] * x[i])
knapsack += fv.Constraint("capacity", fv.sum(i, w[i] * x[i]) <= W)

print("knapsack objective:", knapsack.objective)
for name, constraint in knapsack.constraints.items():
    print(f"  {name}: {constraint}")
print(knapsack._repr_latex_())
print()

# --- travelling salesman --------------------------------------------------
d = fv.Placeholder("d", ndim=2, description="distances")
n = fv.Placeholder("n", description="number of cities")
t = fv.Element("t", belong_to=(0, n))
a = fv.Element("a", belong_to=(0, n))
b = fv.Element("b", belong_to=(0, n))
y = fv.BinaryVar("y", shape=[n, n], description="1 if city a is visited at time t")

tsp = fv.Problem("tsp")
tsp += fv.sum([a, (b, b != a), t], d[a, b] * y[t, a] * y[(t + 1) % n, b])
# one city at each time, each city once
tsp += fv.Constraint("one city", fv.sum(a, y[t, a]) == 1, forall=t)
tsp += fv.Constraint("one time", fv.sum(t, y[t, a]) == 1, forall=[a])
# the same rules as soft penalties, for solvers that prefer them
tsp += fv.CustomPenaltyTerm("one city penalty", (fv.sum(a, y[t, a]) - 1) ** 2, forall=t)

print("TSP objective:", tsp.objective)
for name, constraint in tsp.constraints.items():
    print(f"  {name}: {constraint}")
print(tsp._repr_latex_())
