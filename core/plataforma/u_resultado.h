// What an operation that can fail gives back: its value, or why it failed, in words the user can
// read (UTF-8). Used at every seam of the program; the class is [[nodiscard]], so a result that
// nobody looks at fails the build.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace marlevanta {

struct Fallo {
    std::string motivo;
};

inline Fallo Falla(std::string motivo) {
    return Fallo{std::move(motivo)};
}

template <class T>
class [[nodiscard]] Resultado {
public:
    Resultado(T valor) : valor_(std::move(valor)) {}
    Resultado(Fallo fallo) : motivo_(std::move(fallo.motivo)) {}

    bool ok() const { return valor_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only on success.
    T& operator*() & { return *valor_; }
    const T& operator*() const& { return *valor_; }
    T&& operator*() && { return std::move(*valor_); }
    T* operator->() { return &*valor_; }
    const T* operator->() const { return &*valor_; }
    // Empty on success.
    const std::string& motivo() const { return motivo_; }
    T valor_o(T otro) const& { return valor_ ? *valor_ : std::move(otro); }
    T valor_o(T otro) && { return valor_ ? std::move(*valor_) : std::move(otro); }

private:
    std::optional<T> valor_;
    std::string motivo_;
};

template <>
class [[nodiscard]] Resultado<void> {
public:
    Resultado() = default;
    Resultado(Fallo fallo) : ok_(false), motivo_(std::move(fallo.motivo)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& motivo() const { return motivo_; }

private:
    bool ok_ = true;
    std::string motivo_;
};

// The result of an operation that gives back nothing but success or failure.
using Hecho = Resultado<void>;

}  // namespace marlevanta
