"""Cells of every size are made, freed and made again in mixed orders: the
values still held never change, and the freed memory is used again."""
import random

import forvela as fv

N = fv.Placeholder("N")
w = fv.Placeholder("w", ndim=1)
x = fv.BinaryVar("x", shape=[N])
y = fv.IntegerVar("y", shape=[N], lower_bound=0, upper_bound=w)
i = fv.Element("i", belong_to=(0, N))

# One builder per kind of cell, from the smallest to the largest.
BUILDERS = [
    lambda k: w[k],
    lambda k: fv.Placeholder(f"p{k}", ndim=k % 3),
    lambda k: w[k] * x[k],
    lambda k: fv.Placeholder("c", ndim=3)[k, k + 1, k + 2],
    lambda k: fv.log2(w[k]),
    lambda k: w[k] ** (k + 2),
    lambda k: fv.sum(i, w[i] * x[i] + k),
    lambda k: fv.Element(f"e{k}", belong_to=(k, N)),
    lambda k: fv.IntegerVar(f"v{k}", shape=[N, k + 1], lower_bound=k, upper_bound=w[k]),
    lambda k: w[k] <= y[k],
    lambda k: sum(w[j] * x[j] for j in range(k % 7 + 3)),
]


def test_values_survive_interleaved_frees():
    rng = random.Random(7)
    held = {}
    for round_ in range(3):
        # Megabytes of cells made with some freed among them, then most
        # freed: slabs fill, empty and go back while some cells live on.
        for step in range(round_ * 15_000, (round_ + 1) * 15_000):
            if held and rng.random() < 0.3:
                del held[rng.choice(list(held))]
            else:
                value = BUILDERS[step % len(BUILDERS)](step % 50)
                held[step] = (value, str(value))
        for key in rng.sample(sorted(held), len(held) * 19 // 20):
            del held[key]
        for value, text in held.values():
            assert str(value) == text


def test_a_model_read_again_and_again_stays_whole():
    p = fv.Problem("again")
    p += sum(w[k] * x[k] + k for k in range(3_000))
    p += fv.Constraint("link", x[i] <= y[i], forall=[i])
    data, text = fv.to_protobuf(p), p._repr_latex_()
    first = fv.from_protobuf(data)
    for _ in range(5):
        again = fv.from_protobuf(data)
        assert again._repr_latex_() == text
        del again
    assert first._repr_latex_() == text
