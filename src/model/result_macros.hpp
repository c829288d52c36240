// Propagation of failures held in std::expected values (Result<T> and the
// like): the error of a failed step is handed to the caller unchanged.
#pragma once

#include <expected>
#include <utility>

// Evaluates `expr`; on failure returns its error from the enclosing function.
#define FV_TRY(expr)                                                       \
    do {                                                                   \
        auto&& fv_try_result_ = (expr);                                    \
        if (!fv_try_result_)                                               \
            return std::unexpected(std::move(fv_try_result_).error());     \
    } while (false)

#define FV_RESULT_CONCAT_(a, b) a##b
#define FV_RESULT_NAME_(line) FV_RESULT_CONCAT_(fv_result_, line)

// `FV_ASSIGN_OR_RETURN(auto x, f())`: binds the value of a successful `f()`
// to `x`, or returns its error from the enclosing function.
#define FV_ASSIGN_OR_RETURN(lhs, expr) FV_ASSIGN_OR_RETURN_(FV_RESULT_NAME_(__LINE__), lhs, expr)
#define FV_ASSIGN_OR_RETURN_(tmp, lhs, expr)                               \
    auto tmp = (expr);                                                     \
    if (!tmp) return std::unexpected(std::move(tmp).error());              \
    lhs = std::move(*tmp)
