"""The LaTeX tables of problems, constraints and penalty terms render in KaTeX
(what notebook front ends use) whatever characters their names and
descriptions hold."""
import json
import os
import pathlib
import shutil
import subprocess

import pytest

import forvela as fv

SCRIPT = pathlib.Path(__file__).with_name("katex_render.js")


def _unavailable(reason):
    # CI installs node and KaTeX: there a missing renderer is a failure.
    if os.environ.get("CI") == "true":
        pytest.fail(reason)
    pytest.skip(reason)


@pytest.fixture(scope="module")
def katex():
    node = shutil.which("node") or shutil.which("nodejs")
    if node is None:
        _unavailable("node is not installed")

    # Under the sanitizer run the preloaded runtime is not node's business.
    env = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "PYTHONMALLOC")}

    def render(items):
        run = subprocess.run(
            [node, str(SCRIPT)], input=json.dumps(items), capture_output=True, text=True,
            timeout=60, env=env,
        )
        if run.returncode != 0:
            return None, run.stderr
        return json.loads(run.stdout), ""

    probe, err = render([r"\text{a}"])
    if probe != [None]:
        _unavailable("KaTeX is not available to node: " + err.strip()[-300:])
    return lambda items: render(items)[0]


TEXTS = [
    "plain",
    "one_hot",
    "50% share",
    "R&D",
    "#1",
    "cost in $",
    "x^2 cap",
    "back\\slash",
    "{braces}",
    "approx ~3",
    r"\alpha_{1}",
    "_%&#$^~\\{}",
]


def whole_problem(text):
    N = fv.Placeholder("N")
    U = fv.Placeholder("U", ndim=1)
    i = fv.Element("i", belong_to=N)
    j = fv.Element("j", belong_to=N)
    x = fv.BinaryVar("x", shape=[N], description=text)
    n = fv.IntegerVar("n", lower_bound=0, upper_bound=N, description=text)
    c = fv.ContinuousVar("c", shape=[N], lower_bound=-1.5, upper_bound=U, description=text)
    s = fv.SemiIntegerVar("s", lower_bound=1, upper_bound=N**2)
    sc = fv.SemiContinuousVar("sc", shape=[N, N], lower_bound=0, upper_bound=10)
    p = fv.Problem(text, sense=fv.ProblemSense.MAXIMIZE)
    p += fv.sum(i, x[i]) + n + s
    p += fv.Constraint(text, x[i] + sc[i, j] <= 1, forall=[i, (j, j != i)])
    p += fv.Constraint(text + " 2", fv.sum((i, i != 0), c[i]) >= n)
    p += fv.CustomPenaltyTerm(text, (fv.sum(i, x[i]) - 1) ** 2)
    return p


@pytest.mark.parametrize("text", TEXTS)
def test_tables_render(katex, text):
    N = fv.Placeholder("N")
    i = fv.Element("i", belong_to=N)
    x = fv.BinaryVar("x", shape=[N])
    latex = [
        whole_problem(text)._repr_latex_(),
        fv.Problem(text)._repr_latex_(),
        fv.Constraint(text, x[i] <= 1, forall=[i])._repr_latex_(),
        fv.CustomPenaltyTerm(text, x[i] * x[0], forall=i)._repr_latex_(),
    ]
    errors = katex(latex)
    assert errors == [None] * len(latex), list(zip(errors, latex))


def test_renderer_catches_an_unescaped_name(katex):
    # The check is real: the unescaped form of such a name is refused.
    assert katex([r"\text{one_hot}", r"\text{one\_hot}"])[0] is not None
    assert katex([r"\text{one\_hot}"]) == [None]
