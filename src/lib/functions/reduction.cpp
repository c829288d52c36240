// The module functions sum and prod, with the reading of their index
// argument: an element, a 2-tuple of an element and a condition, or a
// sequence of those.
#include "lib/convert/condition_py.hpp"
#include "model/result_macros.hpp"
#include "lib/convert/expression_py.hpp"
#include "model/expression/operator/reduction_op.hpp"

namespace forvela::py {

namespace {

std::string caused(const std::string& head, const std::string& cause) {
    return head + ", caused by " + cause;
}

Result<Element> element_from_python(PyObject* obj, std::string& failure) {
    if (is_instance(obj, ClassId::Element)) {
        auto copied = with_shared<Element>(obj, [](const Element& e) -> Result<Element> { return e; });
        if (copied) return copied;
        failure = "RuntimeError: " + copied.error().message;
        return std::unexpected(copied.error());
    }
    failure = "TypeError: " + cannot_convert_text(obj, "Element");
    return fail(ErrorKind::TypeError, failure);
}

// One index item, or the item failure text.
std::optional<IndexItem> index_item_from_python(PyObject* obj, std::string& failure) {
    std::string element_failure;
    if (auto e = element_from_python(obj, element_failure)) return IndexItem{std::move(*e), std::nullopt};
    element_failure = caused("TypeError: failed to extract field IndexItem::Element.0", element_failure);

    std::string conditional_failure;
    if (!PyTuple_Check(obj)) {
        conditional_failure = "TypeError: " + cannot_convert_text(obj, "PyTuple");
    } else if (PyTuple_GET_SIZE(obj) != 2) {
        conditional_failure = "ValueError: expected tuple of length 2, but got tuple of length " +
                              std::to_string(PyTuple_GET_SIZE(obj));
    } else {
        std::string first_failure;
        auto element = element_from_python(PyTuple_GET_ITEM(obj, 0), first_failure);
        if (!element) {
            conditional_failure =
                caused("TypeError: failed to extract field IndexItem::ConditionalElement.0", first_failure);
        } else {
            auto condition = conditional_expr_from_python(PyTuple_GET_ITEM(obj, 1));
            if (condition) return IndexItem{std::move(*element), std::move(*condition)};
            conditional_failure = caused("TypeError: failed to extract field IndexItem::ConditionalElement.1",
                                         "TypeError: " + condition.error().message);
        }
    }
    failure =
        "TypeError: failed to extract enum IndexItem ('Element | ConditionalElement')"
        "\n- variant Element (Element): " +
        element_failure + "\n- variant ConditionalElement (ConditionalElement): " + conditional_failure;
    return std::nullopt;
}

// The index argument; the failure message names every attempt.
Result<std::vector<IndexItem>> index_from_python(PyObject* obj) {
    std::vector<IndexItem> items;
    std::string single_failure;
    if (auto item = index_item_from_python(obj, single_failure)) {
        items.push_back(std::move(*item));
        return items;
    }
    single_failure = caused("TypeError: failed to extract field Index::Single.0", single_failure);

    std::string sequence_failure;
    if (PyUnicode_Check(obj)) {
        sequence_failure = "TypeError: Can't extract `str` to `Vec`";
    } else if (const Py_ssize_t size = PySequence_Check(obj) ? PySequence_Size(obj) : -1; size >= 0) {
        for (Py_ssize_t i = 0; i < size; ++i) {
            Ref member(PySequence_GetItem(obj, i));
            if (!member) return pending();
            std::string item_failure;
            auto item = index_item_from_python(member.get(), item_failure);
            if (!item) {
                sequence_failure = item_failure;
                break;
            }
            items.push_back(std::move(*item));
        }
        if (sequence_failure.empty()) return items;
    } else {
        FV_TRY(discard_pending());
        sequence_failure = "TypeError: " + cannot_convert_text(obj, "Sequence");
    }
    sequence_failure = caused("TypeError: failed to extract field Index::Sequence.0", sequence_failure);
    return fail(ErrorKind::TypeError,
                "failed to extract enum Index ('Single | Sequence')"
                "\n- variant Single (Single): " +
                    single_failure + "\n- variant Sequence (Sequence): " + sequence_failure);
}

template <ReductionOpKind Kind>
PyObject* reduction_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return boundary([&]() -> PyResult {
        static constexpr Param params[] = {{"index", true, false}, {"operand", true, false}};
        Args<2> a;
        const char* name = Kind == ReductionOpKind::Sum ? "sum" : "prod";
        FV_TRY(parse_args(Signature{name, params}, args, nargs, kwnames, a));
        FV_ASSIGN_OR_RETURN(auto index, argument("index", index_from_python(a[0])));
        FV_ASSIGN_OR_RETURN(auto operand, argument("operand", expression_from_python(a[1])));
        FV_ASSIGN_OR_RETURN(auto node, reduce(Kind, std::move(index), std::move(operand)));
        return expression_into_python(std::move(node));
    });
}

#define FORVELA_REDUCTION_DOC(name, cls, what)                                                 \
    name "(index, operand)\n--\n\n"                                                            \
         "Create the `" cls                                                                    \
         "` object.\n"                                                                         \
         "\n"                                                                                  \
         "Args:\n"                                                                             \
         "    index (Element | tuple[Element, ConditionalExpr] | Sequence): An index of " what \
         ".\n"                                                                                 \
         "    operand (Expression): The operand of " what                                      \
         ".\n"                                                                                 \
         "\n"                                                                                  \
         "Returns:\n"                                                                          \
         "    " cls ": The `" cls                                                              \
         "` object.\n"                                                                         \
         "\n"                                                                                  \
         "Examples:\n"                                                                         \
         "    >>> import forvela\n"                                                            \
         "    >>> a = forvela.Placeholder(\"a\", ndim=1)\n"                                    \
         "    >>> N = forvela.Placeholder(\"N\")\n"                                            \
         "    >>> i = forvela.Element(\"i\", belong_to=(0, N))\n"                              \
         "    >>> forvela." name                                                               \
         "(i, a[i])\n"                                                                         \
         "\n"                                                                                  \
         "    >>> E = forvela.Placeholder(\"E\", ndim=1)\n"                                    \
         "    >>> x = forvela.BinaryVar(\"x\", shape=[N])\n"                                   \
         "    >>> e = forvela.Element(\"e\", belong_to=E)\n"                                   \
         "    >>> forvela." name                                                               \
         "(e, x[e])\n"                                                                         \
         "\n"                                                                                  \
         "    A conditional index is a tuple: its left member must be an `Element`\n"          \
         "    and its right member the condition for that index.\n"                            \
         "\n"                                                                                  \
         "    >>> forvela." name "((i, i != 2), a[i])\n"

PyMethodDef kSum{"sum", fastcall(reduction_function<ReductionOpKind::Sum>), METH_FASTCALL | METH_KEYWORDS,
                 FORVELA_REDUCTION_DOC("sum", "SumOp", "summation")};
PyMethodDef kProd{"prod", fastcall(reduction_function<ReductionOpKind::Prod>), METH_FASTCALL | METH_KEYWORDS,
                  FORVELA_REDUCTION_DOC("prod", "ProdOp", "product")};

const bool registered =
    register_function(FunctionId::sum, &kSum) && register_function(FunctionId::prod, &kProd);

}  // namespace

}  // namespace forvela::py
