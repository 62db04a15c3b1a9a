// Keeps a library target valid while its folders have no sources yet.
namespace {
[[maybe_unused]] int anchor = 0;
}
