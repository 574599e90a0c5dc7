#pragma once

namespace quillo {

// curl_global_init, once per process, before the first handle; safe from any thread.
void EnsureCurlGlobalInit();

} // namespace quillo
