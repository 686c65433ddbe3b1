// Slow work (the network, the certificate store, waiting for another program) runs on threads of
// this pool, never on the window's thread. Its result comes back on the thread of a context
// object, and is dropped when that object is gone by then; the work itself must own what it uses.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QStringList>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace marlevanta {

// How far a piece of work has come, told from its thread: done and total in the work's own unit
// (bytes for a download), total 0 when unknown.
class Avance {
public:
    virtual ~Avance() = default;
    virtual void operator()(qint64 hecho, qint64 total) const = 0;
};

class SegundoPlano {
public:
    SegundoPlano();
    // Asks all running work to stop (Cancelacion) and waits until it has.
    ~SegundoPlano();
    SegundoPlano(const SegundoPlano&) = delete;
    SegundoPlano& operator=(const SegundoPlano&) = delete;

    // Set when the program ends: work that can be stopped looks at it.
    std::shared_ptr<const std::atomic<bool>> Cancelacion() const { return cancelar_; }

    // Runs `trabajo()` on the pool and then `fin(resultado)` on `contexto`'s thread.
    template <class F, class Fin>
    void Ejecutar(QObject* contexto, F trabajo, Fin fin) {
        EjecutarConAvance(
            contexto, [t = std::move(trabajo)](const Avance&) mutable { return t(); },
            std::move(fin), [](qint64, qint64) {});
    }

    // The same, for work that tells its progress: `trabajo(avance)`, and `alAvanzar(hecho, total)`
    // on `contexto`'s thread, at most a few dozen times a second (Qt thins the reports out).
    template <class F, class Fin, class AlAvanzar>
    void EjecutarConAvance(QObject* contexto, F trabajo, Fin fin, AlAvanzar alAvanzar) {
        using R = std::invoke_result_t<F&, const Avance&>;
        auto promesa = std::make_shared<QPromise<R>>();
        auto* vigia = new QFutureWatcher<R>(contexto);
        // The exact figures travel in the progress text; the value only counts the reports.
        QObject::connect(vigia, &QFutureWatcherBase::progressTextChanged, contexto,
                         [alAvanzar](const QString& texto) mutable {
                             const QStringList partes = texto.split(u' ');
                             if (partes.size() == 2) {
                                 alAvanzar(partes[0].toLongLong(), partes[1].toLongLong());
                             }
                         });
        QObject::connect(vigia, &QFutureWatcherBase::finished, contexto,
                         [vigia, fin = std::move(fin)]() mutable {
                             QFuture<R> futuro = vigia->future();
                             vigia->deleteLater();
                             if (futuro.resultCount() > 0) fin(futuro.takeResult());
                         });
        vigia->setFuture(promesa->future());
        promesa->start();
        Lanzar([promesa, t = std::move(trabajo)]() mutable {
            class AvancePromesa : public Avance {
            public:
                explicit AvancePromesa(QPromise<R>& p) : p_(p) {}
                void operator()(qint64 hecho, qint64 total) const override {
                    if (informes_ == INT_MAX) return;
                    p_.setProgressValueAndText(
                        ++informes_, QString::number(hecho) + u' ' + QString::number(total));
                }

            private:
                QPromise<R>& p_;
                mutable int informes_ = 0;
            };
            AvancePromesa avance(*promesa);
            promesa->addResult(t(avance));
            promesa->finish();
        });
    }

    // Work that hands its result over in parts as it goes: `trabajo(entregar)` calls
    // `entregar(parte)` for each part and returns its end. On `contexto`'s thread `alParte(parte)`
    // runs for each part in order, then `fin(final)`; nothing runs once `contexto` is gone.
    template <class Parte, class F, class AlParte, class Fin>
    void EjecutarPorPartes(QObject* contexto, F trabajo, AlParte alParte, Fin fin) {
        using Entregar = std::function<void(Parte)>;
        using R = std::invoke_result_t<F&, const Entregar&>;
        // One stream of messages, so that the parts and the end arrive in the order sent.
        struct Mensaje {
            std::optional<Parte> parte;
            std::optional<R> final;
        };
        using Puntero = std::shared_ptr<Mensaje>;
        auto promesa = std::make_shared<QPromise<Puntero>>();
        auto* vigia = new QFutureWatcher<Puntero>(contexto);
        QObject::connect(vigia, &QFutureWatcherBase::resultsReadyAt, contexto,
                         [vigia, alParte = std::move(alParte), fin = std::move(fin), siguiente = 0](
                             int, int hasta) mutable {
                             for (; siguiente < hasta; ++siguiente) {
                                 const Puntero m = vigia->future().resultAt(siguiente);
                                 if (!m->parte) {
                                     vigia->deleteLater();
                                     ++siguiente;
                                     fin(std::move(*m->final));
                                     return;
                                 }
                                 Parte parte = std::move(*m->parte);
                                 m->parte.reset();  // the future keeps its copy of the pointer
                                 alParte(std::move(parte));
                             }
                         });
        vigia->setFuture(promesa->future());
        promesa->start();
        Lanzar([promesa, t = std::move(trabajo)]() mutable {
            const Entregar entregar = [&promesa](Parte parte) {
                auto m = std::make_shared<Mensaje>();
                m->parte.emplace(std::move(parte));
                promesa->addResult(std::move(m));
            };
            auto m = std::make_shared<Mensaje>();
            m->final.emplace(t(entregar));
            promesa->addResult(std::move(m));
            promesa->finish();
        });
    }

    // Waits until no work is running; for tests.
    void EsperarTodo();

private:
    void Lanzar(std::function<void()> trabajo);

    std::shared_ptr<std::atomic<bool>> cancelar_;
    QThreadPool pool_;
};

}  // namespace marlevanta
