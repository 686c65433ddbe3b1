#include "core/u_segundoPlano.h"

namespace marlevanta {

SegundoPlano::SegundoPlano() : cancelar_(std::make_shared<std::atomic<bool>>(false)) {
    // Waiting for a browser holds a thread for hours: a small pool would starve the rest.
    pool_.setMaxThreadCount(32);
    pool_.setExpiryTimeout(5000);
}

SegundoPlano::~SegundoPlano() {
    cancelar_->store(true);
    pool_.waitForDone();
}

void SegundoPlano::Lanzar(std::function<void()> trabajo) {
    pool_.start(std::move(trabajo));
}

void SegundoPlano::EsperarTodo() {
    pool_.waitForDone();
}

}  // namespace marlevanta
