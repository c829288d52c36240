"""A tour of the modelling language: a knapsack and a travelling-salesman objective."""
import forvela as fv

# --- knapsack -------------------------------------------------------------
# Instance data is declared with placeholders and supplied later.
w = fv.Placeholder("w", ndim=1, description="item weights")
v = fv.Placeholder("v", ndim=1, description="item values")
W = fv.Placeholder("W", description="capacity")
N = w.len_at(0, latex="N")
i = fv.Element("i", belong_to=(0, N))
x = fv.BinaryVar("x", shape=[N], description="1 if item i is packed")

value = fv.sum(i, v[i] * x[i])
weight = fv.sum(i, w[i] * x[i])
capacity = weight <= W

print("knapsack objective:", value)
print("  as LaTeX:        ", value._repr_latex_())
print("knapsack capacity: ", capacity)
print("  as LaTeX:        ", capacity._repr_latex_())

# --- travelling salesman --------------------------------------------------
d = fv.Placeholder("d", ndim=2, description="distances")
n = fv.Placeholder("n")
t = fv.Element("t", belong_to=(0, n))
a = fv.Element("a", belong_to=(0, n))
b = fv.Element("b", belong_to=(0, n))
y = fv.BinaryVar("y", shape=[n, n], description="1 if city a is visited at time t")

tour = fv.sum([a, (b, b != a), t], d[a, b] * y[t, a] * y[(t + 1) % n, b])
print("TSP objective:", tour)
print("  as LaTeX:   ", tour._repr_latex_())
print("  repr:       ", repr(tour)[:100] + "...")
