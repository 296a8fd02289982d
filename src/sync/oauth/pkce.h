#pragma once

#include <QByteArray>

// Proof Key for Code Exchange: the code the browser brings back is worth nothing to another
// program on this machine that catches it, without the verifier only this sign-in knows.
namespace syncing {

// `bytes` random bytes from the system's generator, base64url without padding: a verifier
// (32 bytes give 43 characters) or a state.
QByteArray randomWord(int bytes = 32);

// The S256 challenge of a verifier: base64url(SHA-256(verifier)) without padding.
QByteArray s256Challenge(const QByteArray& verifier);

} // namespace syncing
