// Forall lists from and into Python objects.
#include "lib/convert/condition_py.hpp"
#include "model/result_macros.hpp"
#include "lib/convert/expression_py.hpp"
#include "lib/convert/operand_py.hpp"
#include "lib/convert/problem_py.hpp"

namespace forvela::py {

namespace {

constexpr const char* kItemFailure = "failed to create a forall object";
constexpr const char* kListFailure = "failed to create a forall list object";

// The element of an Element object, sharing its cell; nothing for any other
// object.
std::optional<Box<Element>> element_of(PyObject* obj) {
    if (!is_instance(obj, ClassId::Element)) return std::nullopt;
    auto box = with_held<Element>(
        obj, [](const Held<Element>& h) -> Result<Box<Element>> { return h.template box<Element>(); });
    if (!box) return std::nullopt;
    return std::move(*box);
}

// An attempt that failed: an exception that must propagate is handed on,
// anything else is dropped and the conversion fails with `message`.
std::unexpected<Error> refused(const char* message) {
    FV_TRY(discard_pending());
    return fail(ErrorKind::TypeError, message);
}

}  // namespace

Result<ForallIndex> forall_item_from_python(PyObject* obj) {
    if (auto element = element_of(obj)) return ForallIndex{std::move(*element), std::nullopt};
    if (!PyTuple_Check(obj) || PyTuple_GET_SIZE(obj) != 2) return refused(kItemFailure);
    auto element = element_of(PyTuple_GET_ITEM(obj, 0));
    if (!element) return refused(kItemFailure);
    PyObject* second = PyTuple_GET_ITEM(obj, 1);
    if (second == Py_None) return ForallIndex{std::move(*element), std::nullopt};
    auto condition = conditional_expr_from_python(second);
    if (!condition) {
        if (must_propagate(condition.error())) return std::unexpected(condition.error());
        return refused(kItemFailure);
    }
    return ForallIndex{std::move(*element), std::move(*condition)};
}

Result<ForallList> forall_list_from_python(PyObject* obj) {
    // A single entry first.
    auto single = forall_item_from_python(obj);
    if (single) {
        ForallList list;
        list.push_back(std::move(*single));
        if (check_forall_list(list)) return list;
    } else if (must_propagate(single.error())) {
        return std::unexpected(single.error());
    }

    // Then a sequence of entries, read by item access. The operand classes
    // answer item access without end, so they are refused up front.
    if (PyUnicode_Check(obj) || is_subscriptable_operand(obj) || !PySequence_Check(obj))
        return refused(kListFailure);
    Py_ssize_t size = PySequence_Size(obj);
    if (size < 0) return refused(kListFailure);
    ForallList list;
    list.reserve(static_cast<std::size_t>(size));
    for (Py_ssize_t k = 0; k < size; ++k) {
        Ref item(PySequence_GetItem(obj, k));
        if (!item) return refused(kListFailure);
        auto entry = forall_item_from_python(item.get());
        if (!entry) {
            if (must_propagate(entry.error())) return std::unexpected(entry.error());
            return refused(kListFailure);
        }
        list.push_back(std::move(*entry));
    }
    if (!check_forall_list(list)) return refused(kListFailure);
    return list;
}

Result<ForallList> optional_forall_from_python(PyObject* obj) {
    if (!obj || obj == Py_None) return ForallList{};
    return forall_list_from_python(obj);
}

PyResult forall_list_into_python(const ForallList& list) {
    Ref out(PyList_New(static_cast<Py_ssize_t>(list.size())));
    if (!out) return pending();
    for (std::size_t k = 0; k < list.size(); ++k) {
        const ForallIndex& entry = list[k];
        FV_ASSIGN_OR_RETURN(auto element, expression_into_python(Expression(entry.element)));
        PyResult condition = entry.condition ? conditional_expr_into_python(*entry.condition) : none();
        if (!condition) return condition;
        PyObject* pair = PyTuple_Pack(2, element.get(), condition->get());
        if (!pair) return pending();
        PyList_SET_ITEM(out.get(), static_cast<Py_ssize_t>(k), pair);
    }
    return out;
}

}  // namespace forvela::py
