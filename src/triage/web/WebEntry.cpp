// The page's WebAssembly module: the triage core behind a C interface for the page's script. The
// script reads the archive's central directory and hands over each entry; the core says which
// members it needs and with what cap, the script reads only those, and the core renders. Nothing
// is thrown across this interface: every entry point catches and records a sentence instead.
#include "triage/web/WebSession.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <emscripten/emscripten.h>
#include <exception>
#include <new>

using pv::triage::web::OutputKind;
using pv::triage::web::Session;

namespace {

// Runs `body`, turning any exception into the session's error sentence; `fallback` is returned
// then.
template <typename Body, typename Result>
Result Guarded(Session* session, Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        if (session != nullptr)
            session->Fail("out of memory.");
    } catch (const std::exception& e) {
        if (session != nullptr)
            session->Fail(std::string("internal error: ") + e.what() + ".");
    } catch (...) {
        if (session != nullptr)
            session->Fail("internal error.");
    }
    return fallback;
}

} // namespace

extern "C" {

// A session for one archive; `archiveName` (UTF-8, NUL-terminated) is the file's name as shown.
// Returns null when out of memory.
EMSCRIPTEN_KEEPALIVE Session* pv_session_new(const char* archiveName, int windowDays) noexcept {
    try {
        return new Session(archiveName == nullptr ? "" : archiveName, windowDays);
    } catch (...) {
        return nullptr;
    }
}

EMSCRIPTEN_KEEPALIVE void pv_session_free(Session* session) noexcept {
    delete session;
}

// A buffer of `length` bytes owned by the session, valid until the next call that takes bytes;
// the script writes a name or a member's data into it. Null when out of memory.
EMSCRIPTEN_KEEPALIVE char* pv_buffer(Session* session, size_t length) noexcept {
    return Guarded(session, static_cast<char*>(nullptr), [&] { return session->Buffer(length); });
}

// The next central-directory entry, its name in the buffer (`nameLength` bytes, UTF-8). `size`
// is the declared uncompressed size, `modified` Unix seconds or NaN. Returns 1 when the core
// will ask for this member's bytes, 0 when not, -1 when the archive cannot be read (the error
// sentence is ready).
EMSCRIPTEN_KEEPALIVE int pv_member_add(Session* session, size_t nameLength, double size,
                                       double modified, int encrypted, int method,
                                       int methodSupported) noexcept {
    return Guarded(session, -1, [&] {
        return session->AddMember(
            nameLength, size, std::isnan(modified) ? std::nullopt : std::optional<double>(modified),
            encrypted != 0, method, methodSupported != 0);
    });
}

// The script could not read the central directory: `kind` is one of web::DirectoryProblem.
EMSCRIPTEN_KEEPALIVE void pv_directory_failed(Session* session, int kind) noexcept {
    Guarded(session, 0, [&] {
        session->DirectoryFailed(kind);
        return 0;
    });
}

// The index (in the order added) of the next member whose bytes the core wants, or -1 when none
// is left. Members over a cap are marked by the core and never asked for.
EMSCRIPTEN_KEEPALIVE int pv_read_next(Session* session) noexcept {
    return Guarded(session, -1, [&] { return session->NextRead(); });
}

// The member asked for by pv_read_next was read into the buffer: `length` bytes, `damaged`
// when its data failed a check (then the bytes are what was read before the fault).
EMSCRIPTEN_KEEPALIVE void pv_read_done(Session* session, size_t length, int damaged) noexcept {
    Guarded(session, 0, [&] {
        session->ReadDone(length, damaged != 0);
        return 0;
    });
}

// Runs the core over the members. Returns 0 when findings are ready, 1 when the archive cannot
// be read (the error sentence is ready).
EMSCRIPTEN_KEEPALIVE int pv_analyse(Session* session) noexcept {
    return Guarded(session, 1, [&] { return session->Analyse() ? 0 : 1; });
}

// One output of an analysed session (OutputKind: 0 HTML page, 1 JSON, 2 text, 3 error sentence,
// 4 the number of findings as text). Returns a pointer into the session, valid until the next
// call; its length is given by pv_output_length.
EMSCRIPTEN_KEEPALIVE const char* pv_output(Session* session, int kind) noexcept {
    return Guarded(session, static_cast<const char*>(nullptr),
                   [&] { return session->Output(static_cast<OutputKind>(kind)).data(); });
}

// What changed from `older` to `newer`, both analysed (0 unused, 1 JSON, 2 text). The text is
// kept in `newer` like pv_output's.
EMSCRIPTEN_KEEPALIVE const char* pv_diff(Session* older, Session* newer, int kind) noexcept {
    return Guarded(newer, static_cast<const char*>(nullptr),
                   [&] { return newer->DiffFrom(*older, static_cast<OutputKind>(kind)).data(); });
}

EMSCRIPTEN_KEEPALIVE size_t pv_output_length(Session* session) noexcept {
    return session == nullptr ? 0 : session->OutputLength();
}

} // extern "C"
