// One visitor from several lambdas, for std::visit.
#pragma once

namespace forvela {

template <class... F>
struct overloaded : F... {
    using F::operator()...;
};

}  // namespace forvela
