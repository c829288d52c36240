// One callable from several lambdas, for std::visit over a variant:
//     std::visit(overloaded{[](const A&) {...}, [](const B&) {...}}, v);
#pragma once

namespace forvela {

template <class... Fs>
struct overloaded : Fs... {
    using Fs::operator()...;
};

}  // namespace forvela
