// Finds the workbook functions: linked in, or in orrimax-workbooks.so beside
// the tool (a build folder) or in the library folder of an installation.
#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "Errors.h"
#include "WorkbookModule.h"

// Weak: a program that does not link the module's code in has none.
extern "C" const orrimax::cli::WorkbookFunctions* orrimax_workbook_functions()
    __attribute__((weak));

namespace orrimax::cli {
namespace {

constexpr const char* kModule = "orrimax-workbooks.so";

const WorkbookFunctions* Load() {
  if (orrimax_workbook_functions != nullptr) return orrimax_workbook_functions();
  std::error_code error;
  const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    throw RosterError(std::string("Workbooks need ") + kModule +
                      ", which cannot be found: where this program lies is unknown (" +
                      error.message() + ")");
  std::string reasons;
  for (const std::filesystem::path& folder :
       {tool.parent_path(), tool.parent_path() / ORRIMAX_MODULE_FOLDER}) {
    const std::filesystem::path module = (folder / kModule).lexically_normal();
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      reasons += std::string(reasons.empty() ? "" : "; ") + ::dlerror();
      continue;
    }
    using Entry = const WorkbookFunctions* (*)();
    if (const auto entry = reinterpret_cast<Entry>(::dlsym(handle, ORRIMAX_WORKBOOK_ENTRY)))
      return entry();
    reasons += (reasons.empty() ? "" : "; ") + module.string() + " is not the workbook module";
    ::dlclose(handle);
  }
  throw RosterError(std::string("Workbooks need ") + kModule +
                    ", which could not be loaded: " + reasons);
}

}  // namespace

const WorkbookFunctions& Workbooks() {
  static const WorkbookFunctions* const functions = Load();
  return *functions;
}

}  // namespace orrimax::cli
