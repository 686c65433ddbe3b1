#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "core/plataforma/u_procesoExterno.h"
#include "platform/u_sistema.h"

extern char** environ;

namespace marlevanta {

namespace {

class ProcesoPosix : public ProcesoExterno {
public:
    ProcesoPosix(pid_t pid, int error) : pid_(pid), error_(error) {
#ifdef SYS_pidfd_open
        pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
#endif
    }
    ~ProcesoPosix() override {
        // Never left as a zombie: the browser goes on if it outlives us, but is reaped.
        if (!terminado_) waitpid(pid_, nullptr, WNOHANG);
        if (pidfd_ >= 0) close(pidfd_);
        if (error_ >= 0) close(error_);
    }

    bool Terminado(std::chrono::milliseconds espera) override {
        const auto limite = std::chrono::steady_clock::now() + espera;
        while (!terminado_ && !Recoger()) {
            const auto falta = std::chrono::duration_cast<std::chrono::milliseconds>(
                limite - std::chrono::steady_clock::now());
            if (falta.count() <= 0) break;
            const int ms = static_cast<int>(std::min<long long>(falta.count(), 1 << 30));
            // The pipe is drained while waiting: a child that fills it would never end.
            if (pidfd_ >= 0 || error_ >= 0) {
                pollfd p[2] = {{pidfd_, POLLIN, 0}, {error_, POLLIN, 0}};
                poll(p, 2, pidfd_ >= 0 ? ms : std::min(ms, 10));
                if (p[1].revents) LeerError();
            } else {
                std::this_thread::sleep_for(std::min(falta, std::chrono::milliseconds(10)));
            }
        }
        // Once it has ended, what is left in the pipe is its last word.
        if (terminado_) {
            while (LeerError()) {
            }
        }
        return terminado_;
    }
    int CodigoSalida() const override {
        return codigo_;
    }
    std::string SalidaError() const override {
        return salidaError_;
    }

private:
    // False at the end of the pipe (or without one).
    bool LeerError() {
        if (error_ < 0) return false;
        char bloque[4096];
        const ssize_t n = read(error_, bloque, sizeof bloque);
        if (n > 0) {
            // A child that talks without end is not allowed to fill our memory.
            if (salidaError_.size() < (1u << 20)) salidaError_.append(bloque, size_t(n));
            return true;
        }
        if (n < 0 && (errno == EINTR)) return true;
        if (n < 0 && errno == EAGAIN) return false;
        close(error_);
        error_ = -1;
        return false;
    }

    bool Recoger() {
        int estado = 0;
        const pid_t r = waitpid(pid_, &estado, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            terminado_ = true;
            codigo_ = (r == pid_ && WIFEXITED(estado)) ? WEXITSTATUS(estado) : -1;
        }
        return terminado_;
    }

    pid_t pid_;
    int error_;
    int pidfd_ = -1;
    bool terminado_ = false;
    int codigo_ = -1;
    std::string salidaError_;
};

bool Ejecutable(const std::string& ruta) {
    struct stat st {};
    return stat(ruta.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(ruta.c_str(), X_OK) == 0;
}

class IniciadorPosix : public IniciadorProcesos {
public:
    std::string BuscarEnPath(const std::vector<std::string>& nombres) override {
        const char* path = std::getenv("PATH");
        const std::string rutas = path ? path : "/usr/local/bin:/usr/bin:/bin";
        for (const auto& nombre : nombres) {
            if (nombre.find('/') != std::string::npos) {
                if (Ejecutable(nombre)) return nombre;
                continue;
            }
            size_t inicio = 0;
            while (inicio <= rutas.size()) {
                size_t fin = rutas.find(':', inicio);
                if (fin == std::string::npos) fin = rutas.size();
                const std::string carpeta = rutas.substr(inicio, fin - inicio);
                const std::string candidato = (carpeta.empty() ? "." : carpeta) + "/" + nombre;
                if (Ejecutable(candidato)) return candidato;
                inicio = fin + 1;
            }
        }
        return {};
    }

    using IniciadorProcesos::Iniciar;
    Resultado<std::unique_ptr<ProcesoExterno>> Iniciar(const std::string& ejecutable,
                                                       const std::vector<std::string>& argumentos,
                                                       bool capturarError) override {
        const std::string ruta = BuscarEnPath({ejecutable});
        if (ruta.empty()) return Falla("No se encuentra el programa \"" + ejecutable + "\".");
        std::vector<char*> argv;
        std::string cero = ruta;
        argv.push_back(cero.data());
        std::vector<std::string> copia = argumentos;
        for (auto& a : copia) argv.push_back(a.data());
        argv.push_back(nullptr);
        int tubo[2] = {-1, -1};
        if (capturarError && pipe2(tubo, O_CLOEXEC) != 0) {
            return Falla("No se puede ejecutar \"" + ruta + "\": " + std::strerror(errno) + ".");
        }
        posix_spawn_file_actions_t acciones;
        posix_spawn_file_actions_init(&acciones);
        if (capturarError) posix_spawn_file_actions_adddup2(&acciones, tubo[1], STDERR_FILENO);
        pid_t pid = 0;
        const int r = posix_spawn(&pid, ruta.c_str(), &acciones, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&acciones);
        if (capturarError) {
            close(tubo[1]);
            fcntl(tubo[0], F_SETFL, fcntl(tubo[0], F_GETFL) | O_NONBLOCK);
        }
        if (r != 0) {
            if (capturarError) close(tubo[0]);
            return Falla("No se puede ejecutar \"" + ruta + "\": " + std::strerror(r) + ".");
        }
        return std::unique_ptr<ProcesoExterno>(std::make_unique<ProcesoPosix>(pid, tubo[0]));
    }
};

}  // namespace

std::shared_ptr<IniciadorProcesos> CrearIniciadorProcesos() {
    return std::make_shared<IniciadorPosix>();
}

}  // namespace marlevanta
