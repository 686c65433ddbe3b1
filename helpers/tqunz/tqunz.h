// The unzip library of the external updater, loaded at run time so that an update can replace it.
#pragma once

#include <cstddef>

extern "C" {

// Unpacks `paquete` (a zip, `clave` its password or "") into `destino`; `programa` (a file of
// `destino`, or null) is the program itself, replaced last. The updater's own two files are
// written as "<name>.act". Every entry is checked and unpacked to a staging folder and flushed to
// the disk first; then each file replaced keeps a second name in the staging folder and the new
// one is renamed over it, so that a name never lacks a whole file, and a journal there says what
// is being done. A failure puts the folder back as it was; an update cut short (the process
// killed, the power gone) is finished or undone by tqunz_recuperar at the next start. After a
// success the copies of the replaced files stay until tqunz_confirmar. Refused: an entry whose
// path leaves `destino` or passes through a link, a link or special file, a name with control
// characters, more than 100 times the package's size (and never more than 1 GiB) unpacked.
// Files never get write permission for group or others, nor setuid or setgid; they are
// executable only when the entry is so for its owner.
// 0 on success; otherwise `error` (of `largo` bytes) says why, in Spanish.
int tqunz_instalar(const char* paquete, const char* clave, const char* destino,
                   const char* programa, char* error, std::size_t largo);
// The same without naming the program (as earlier updaters call it).
int tqunz_extraer(const char* paquete, const char* clave, const char* destino, char* error,
                  std::size_t largo);

// What tqunz_recuperar did.
enum {
    TQUNZ_NADA = 0,        // no update was cut short
    TQUNZ_DESHECHA = 1,    // one was: the folder is as before it, the old version
    TQUNZ_COMPLETADA = 2,  // one was, after the program itself had been replaced: now finished
    TQUNZ_EN_CURSO = 3,    // an update of `destino` is running right now: nothing touched
    TQUNZ_FALLO = -1,      // neither could be done: `error` says why
};
// Finishes or undoes an update of `destino` that was cut short: finished when the program's own
// file had already been replaced (so the folder matches the program that starts), undone
// otherwise. Never leaves a name without a whole file.
int tqunz_recuperar(const char* destino, char* error, std::size_t largo);
// The new version has started: the copies kept of the files it replaced go. 0 when there is
// nothing left to drop.
int tqunz_confirmar(const char* destino, char* error, std::size_t largo);

typedef int (*TqunzInstalar)(const char*, const char*, const char*, const char*, char*,
                             std::size_t);
typedef int (*TqunzExtraer)(const char*, const char*, const char*, char*, std::size_t);
typedef int (*TqunzRecuperar)(const char*, char*, std::size_t);
typedef int (*TqunzConfirmar)(const char*, char*, std::size_t);
}
