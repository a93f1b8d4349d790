// The commands of the engine's service: keys, signatures, encryption, hashes, transfers,
// reports, renewal, tokens, and the support engineer's check of an installation.
#pragma once

#include <string>
#include <vector>

#include "engine_session.h"

namespace sigtool {

using Args = std::vector<std::string>;

// Each takes the words after its command name and returns the exit status: 0 done, 1 failed,
// 2 wrong usage.
int KeyGen(const EngineOptions& options, const Args& args);
int Sign(const EngineOptions& options, const Args& args);
int Verify(const EngineOptions& options, const Args& args);
int Encrypt(const EngineOptions& options, const Args& args);
int Decrypt(const EngineOptions& options, const Args& args);
int Hash(const EngineOptions& options, const Args& args);
int Include(const EngineOptions& options, const Args& args);
int Export(const EngineOptions& options, const Args& args);
int TransferCommand(const EngineOptions& options, const Args& args);
int Report(const EngineOptions& options, const Args& args);
int Renew(const EngineOptions& options, const Args& args);
int Token(const Args& args);
int Doctor(const EngineOptions& options);

}  // namespace sigtool
