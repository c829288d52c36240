r"""Text and LaTeX of constraints and penalty terms, and the LaTeX table of a
whole problem with the declarations of its decision variables."""
import pytest

import forvela as fv

BEGIN = "\\begin{array}{cccc}\n"
END = "\n\\end{array}"


@pytest.fixture
def m():
    class Model:
        N = fv.Placeholder("N")
        U = fv.Placeholder("U", latex=r"\bar{U}")
        L = fv.Placeholder("L", ndim=1, latex=r"\ell")
        H = fv.Placeholder("H", ndim=2)
        E = fv.Placeholder("E", ndim=1, latex=r"\mathcal{E}")
        i = fv.Element("i", belong_to=N)
        j = fv.Element("j", belong_to=N)
        e = fv.Element("e", belong_to=E)
        k = fv.Element("k", belong_to=10, latex=r"\kappa")
        b = fv.BinaryVar("b")
        x = fv.BinaryVar("x", shape=[N], description="chosen")
        n = fv.IntegerVar("n", lower_bound=0, upper_bound=N)
        c = fv.ContinuousVar("c", lower_bound=-1.5, upper_bound=U)
        s = fv.SemiIntegerVar("s", shape=[N], lower_bound=L, upper_bound=H[0])
        sc = fv.SemiContinuousVar("sc", shape=[N, N], lower_bound=0, upper_bound=N**2, description="level")

    return Model


class TestForallForms:
    @pytest.mark.parametrize(
        "forall, text, latex",
        [
            (lambda m: m.i, "[i]", r"\forall i \in \left\{0,\ldots,N - 1\right\}"),
            (lambda m: m.k, "[k]", r"\forall \kappa \in \left\{0,\ldots,9\right\}"),
            (lambda m: m.e, "[e]", r"\forall e \in \mathcal{E}"),
            (
                lambda m: [m.i, (m.j, m.j != m.i)],
                "[i, (j, j != i)]",
                r"\forall i \in \left\{0,\ldots,N - 1\right\} "
                r"\forall j \in \left\{j \in \left\{0,\ldots,N - 1\right\} \mid j \neq i \right\}",
            ),
            (
                lambda m: [(m.k, m.k != 2)],
                r"[(k, \kappa != 2)]",  # children show their custom LaTeX in str too
                r"\forall \kappa \in \left\{\kappa \in \left\{0,\ldots,9\right\} \mid \kappa \neq 2 \right\}",
            ),
        ],
    )
    def test_text_and_latex(self, m, forall, text, latex):
        f = forall(m)
        elements = [entry[0] if isinstance(entry, tuple) else entry for entry in (f if isinstance(f, list) else [f])]
        operand = m.b
        for element in elements:
            operand = operand + m.x[element]
        c = fv.Constraint("c", operand <= 1, forall=f)
        assert str(c) == "{'expression': " + str(operand) + " <= 1, 'forall': " + text + "}"
        assert c._repr_latex_().endswith(" & " + latex + " \\\\" + END)

    def test_element_of_a_subscript_set_and_an_element_set(self, m):
        row = fv.Element("row", belong_to=m.H)
        col = fv.Element("col", belong_to=row)
        sub = fv.Element("sub", belong_to=m.H[m.i])
        c = fv.Constraint("c", m.x[col] + m.x[sub] <= 1, forall=[m.i, row, col, sub])
        assert c._repr_latex_().endswith(
            r"\forall row \in H \forall col \in row \forall sub \in H_{i} \\" + END
        )

    def test_condition_with_custom_latex(self, m):
        cond = m.j != m.i
        cond.set_latex(r"j \ne i")
        t = fv.CustomPenaltyTerm("t", m.x[m.i] * m.x[m.j], forall=[m.i, (m.j, cond)])
        assert t._repr_latex_().endswith(r"\mid j \ne i \right\} \\" + END)


class TestRows:
    def test_constraint_without_forall(self, m):
        c = fv.Constraint("c", m.b == 1)
        assert str(c) == repr(c) == "{'expression': b == 1}"
        assert c._repr_latex_() == BEGIN + r" & \text{c} & \displaystyle b = 1 &  \\" + END

    def test_constraint_comparison_custom_latex_is_not_shown(self, m):
        cond = m.b <= 1
        cond.set_latex("C")
        assert fv.Constraint("c", cond)._repr_latex_() == BEGIN + r" & \text{c} & \displaystyle b \leq 1 &  \\" + END

    def test_penalty_row_uses_generic_entry(self, m):
        t = fv.CustomPenaltyTerm("p_{1}", (m.b - 1) ** 2)
        assert t._repr_latex_() == BEGIN + r" & \text{p\_\{1\}} & \displaystyle \left(\left(b - 1\right)^{2}\right) &  \\" + END
        e = m.b * 3
        e.set_latex(r"\beta")
        assert fv.CustomPenaltyTerm("p", e)._repr_latex_() == BEGIN + r" & \text{p} & \displaystyle \beta &  \\" + END


    @pytest.mark.parametrize(
        "text, shown",
        [
            ("c", "c"),
            ("total cost (all)", "total cost (all)"),
            ("one_hot", r"one\_hot"),
            ("50% share", r"50\% share"),
            ("R&D", r"R\&D"),
            ("#1 in $", r"\#1 in \$"),
            ("{a}", r"\{a\}"),
            ("x^2 ~ y", r"x\textasciicircum{}2 \textasciitilde{} y"),
            ("a\\b", r"a\textbackslash{}b"),
            (r"\_", r"\textbackslash{}\_"),
            ("Größe ≤ 3", "Größe ≤ 3"),
        ],
    )
    def test_names_and_descriptions_are_escaped(self, m, text, shown):
        c = fv.Constraint(text, m.b == 1)
        assert c._repr_latex_() == BEGIN + r" & \text{" + shown + r"} & \displaystyle b = 1 &  \\" + END
        t = fv.CustomPenaltyTerm(text, m.b)
        assert t._repr_latex_() == BEGIN + r" & \text{" + shown + r"} & \displaystyle b &  \\" + END
        p = fv.Problem(text)
        p += fv.Constraint(text, m.b == 1)
        p += fv.CustomPenaltyTerm(text, fv.IntegerVar("v", lower_bound=0, upper_bound=1, description=text))
        table = p._repr_latex_()
        assert table.startswith(BEGIN + r"\text{Problem:} & \text{" + shown + r"} & & \\" + "\n")
        assert r"\\ & \text{" + shown + r"} & \displaystyle b = 1 &  \\" in table
        assert r"\\ & \text{" + shown + r"} & \displaystyle v &  \\" in table
        assert r"& v & 0\text{-dim integer variable}& \text{" + shown + r"}\\ & & \text{lower bound: }0" in table
        # the text forms and the stored values are unchanged
        assert c.name == t.name == p.name == text
        assert fv.BinaryVar("x", description=text).description == text


def problem_table(name, sense, objective, constraints="", penalties="", where="", lines=("",) * 5):
    return (
        BEGIN
        + r"\text{Problem:} & \text{" + name + r"} & & \\" + "\n"
        + "& & " + sense + r" \quad \displaystyle " + objective + r" & \\" + "\n"
        + constraints + "\n" + penalties + "\n" + where
        + "".join("\n" + line for line in lines)
        + END
    )


class TestProblemLatex:
    def test_empty_problem(self):
        assert fv.Problem("p")._repr_latex_() == problem_table("p", r"\min", "0")
        assert fv.Problem("p")._repr_latex_().count("\n") == 11
        assert fv.Problem("q", sense=fv.ProblemSense.MAXIMIZE)._repr_latex_() == problem_table("q", r"\max", "0")

    def test_objective_through_generic_entry(self, m):
        p = fv.Problem("p")
        p += m.N ** 2
        assert r"\displaystyle \left(N^{2}\right) & \\" in p._repr_latex_()
        objective = m.b * 2
        objective.set_latex("O")
        p += objective
        assert r"\displaystyle O & \\" in p._repr_latex_()

    def test_only_penalty_terms(self, m):
        p = fv.Problem("p")
        p += fv.CustomPenaltyTerm("t", m.b)
        assert p._repr_latex_() == problem_table(
            "p",
            r"\min",
            "0",
            penalties=r"\text{penalty terms} & & & \\ & \text{t} & \displaystyle b &  \\",
            where=r"\text{{where}} & & & \\",
            lines=(r"& b & 0\text{-dim binary variable}\\", "", "", "", ""),
        )

    def test_whole_model(self, m):
        p = fv.Problem("knap", sense=fv.ProblemSense.MAXIMIZE)
        p += fv.sum(m.i, m.x[m.i]) + m.b + m.n + m.c
        p += fv.Constraint("c2", m.s[m.i] + m.sc[m.i, m.j] <= 3, forall=[m.i, (m.j, m.j != m.i)])
        p += fv.Constraint("c10", m.b + m.x[0] == 1)
        p += fv.CustomPenaltyTerm("p", (fv.sum(m.i, m.x[m.i]) - 1) ** 2)
        forall = (
            r"\forall i \in \left\{0,\ldots,N - 1\right\} "
            r"\forall j \in \left\{j \in \left\{0,\ldots,N - 1\right\} \mid j \neq i \right\}"
        )
        expected = problem_table(
            "knap",
            r"\max",
            r"\sum_{i = 0}^{N - 1} x_{i} + b + n + c",
            constraints=r"\text{s.t.} & & & \\"
            + r" & \text{c10} & \displaystyle b + x_{0} = 1 &  \\"
            + r" & \text{c2} & \displaystyle s_{i} + sc_{i, j} \leq 3 & " + forall + r" \\",
            penalties=r"\text{penalty terms} & & & \\"
            + r" & \text{p} & \displaystyle \left(\left(\sum_{i = 0}^{N - 1} x_{i} - 1\right)^{2}\right) &  \\",
            where=r"\text{{where}} & & & \\",
            lines=(
                r"& b & 0\text{-dim binary variable}\\" + r"& x & 1\text{-dim binary variable}& \text{chosen}\\",
                r"& n & 0\text{-dim integer variable}\\ & & \text{lower bound: }0 & \\ & & \text{upper bound: }N & \\",
                r"& c & 0\text{-dim continuous variable}\\ & & \text{lower bound: }(-1.5) & \\ & & \text{upper bound: }\bar{U} & \\",
                r"& s & 1\text{-dim semi-integer variable}\\ & & \text{lower bound: }L & \\ & & \text{upper bound: }H_{0} & \\",
                r"& sc & 2\text{-dim semi-continuous variable}& \text{level}\\ & & \text{lower bound: }0 & \\"
                + r" & & \text{upper bound: }\left(N^{2}\right) & \\",
            ),
        )
        assert p._repr_latex_() == expected

    def test_variable_order_and_first_one_kept(self, m):
        p = fv.Problem("p")
        a = fv.BinaryVar("a", shape=[m.N])
        B = fv.BinaryVar("B", shape=[m.N])
        z = fv.BinaryVar("z")
        p += a[0] + B[0] + z
        p += fv.Constraint("c", a[1] + z <= 1)
        lines = p._repr_latex_().split("\n")
        binary = lines[lines.index(r"\text{{where}} & & & \\") + 1]
        assert binary == (
            r"& z & 0\text{-dim binary variable}\\"
            r"& B & 1\text{-dim binary variable}\\"
            r"& a & 1\text{-dim binary variable}\\"
        )

    def test_variables_inside_reductions_and_subscripts(self, m):
        p = fv.Problem("p")
        y = fv.IntegerVar("y", shape=[m.N], lower_bound=0, upper_bound=5)
        p += fv.prod((m.i, m.i != 0), fv.sum(m.j, y[m.j] * m.x[m.i]))
        table = p._repr_latex_()
        assert r"& x & 1\text{-dim binary variable}& \text{chosen}\\" in table
        assert r"& y & 1\text{-dim integer variable}\\ & & \text{lower bound: }0 & \\ & & \text{upper bound: }5 & \\" in table
        # an element's set is not entered
        assert r"\text{{where}}" not in fv.Problem("q")._repr_latex_()

    def test_deep_objective_raises_recursion_error(self, m):
        p = fv.Problem("p")
        e = m.b
        for _ in range(20000):
            e = (e + 1) * m.N
        with pytest.raises(RecursionError):
            p += e
        assert p.objective.value == 0
        with pytest.raises(RecursionError):
            fv.Constraint("c", e <= 1)
