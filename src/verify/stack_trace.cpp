#include "verify/stack_trace.hpp"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <errno.h>  // program_invocation_short_name
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orvek_verify {
namespace {

std::string hex(std::uintptr_t value) {
  char digits[2 * sizeof value + 1];
  const auto res = std::to_chars(digits, digits + sizeof digits, value, 16);
  return std::string(digits, static_cast<std::size_t>(res.ptr - digits));
}

std::string demangle(const char* name) {
  int status = 0;
  char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status != 0 || readable == nullptr) return name;
  std::string out(readable);
  std::free(readable);
  return out;
}

// The function symbols of the running executable, read from its own ELF symbol table.
//
// -rdynamic exports only functions with external linkage; case bodies and other internal functions
// are named only in .symtab, which dladdr does not read.
class ExecutableSymbols {
 public:
  static const ExecutableSymbols& instance() {
    static const ExecutableSymbols symbols;
    return symbols;
  }

  // The name of the function that holds `address` and the function's start, or nullptr.
  const char* find(std::uintptr_t address, std::uintptr_t& start) const {
    if (address < bias_) return nullptr;
    const std::uintptr_t value = address - bias_;
    auto it = std::upper_bound(functions_.begin(), functions_.end(), value,
                               [](std::uintptr_t v, const Function& f) { return v < f.value; });
    if (it == functions_.begin()) return nullptr;
    --it;
    if (value - it->value >= it->size) return nullptr;
    start = it->value + bias_;
    return names_.data() + it->name;
  }

 private:
  struct Function {
    std::uintptr_t value;
    std::uintptr_t size;
    std::size_t name;  // offset into names_
  };

  ExecutableSymbols() : bias_(executableLoadBias()) {
    const int fd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
      const auto size = static_cast<std::size_t>(st.st_size);
      void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
      if (map != MAP_FAILED) {
        load(static_cast<const unsigned char*>(map), size);
        ::munmap(map, size);
      }
    }
    ::close(fd);
    std::sort(functions_.begin(), functions_.end(),
              [](const Function& a, const Function& b) { return a.value < b.value; });
  }

  // Every bound is checked: the file is only trusted to be what it says where it fits.
  void load(const unsigned char* file, std::size_t size) {
    if (size < sizeof(ElfW(Ehdr)) || std::memcmp(file, ELFMAG, SELFMAG) != 0) return;
    ElfW(Ehdr) header;
    std::memcpy(&header, file, sizeof header);
    if (header.e_shentsize != sizeof(ElfW(Shdr)) || header.e_shoff > size ||
        header.e_shnum > (size - header.e_shoff) / sizeof(ElfW(Shdr))) {
      return;
    }
    const auto section = [&](std::size_t i) {
      ElfW(Shdr) s;
      std::memcpy(&s, file + header.e_shoff + i * sizeof s, sizeof s);
      return s;
    };
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
      const ElfW(Shdr) symtab = section(i);
      if (symtab.sh_type != SHT_SYMTAB || symtab.sh_entsize != sizeof(ElfW(Sym)) || symtab.sh_link >= header.e_shnum) {
        continue;
      }
      const ElfW(Shdr) strtab = section(symtab.sh_link);
      if (symtab.sh_offset > size || symtab.sh_size > size - symtab.sh_offset || strtab.sh_offset > size ||
          strtab.sh_size > size - strtab.sh_offset) {
        continue;
      }
      const char* strings = reinterpret_cast<const char*>(file + strtab.sh_offset);
      for (std::size_t k = 0; k < symtab.sh_size / sizeof(ElfW(Sym)); ++k) {
        ElfW(Sym) sym;
        std::memcpy(&sym, file + symtab.sh_offset + k * sizeof sym, sizeof sym);
        if (ELF64_ST_TYPE(sym.st_info) != STT_FUNC || sym.st_value == 0 || sym.st_size == 0 ||
            sym.st_name >= strtab.sh_size) {
          continue;
        }
        const char* name = strings + sym.st_name;
        const std::size_t length = ::strnlen(name, strtab.sh_size - sym.st_name);
        functions_.push_back(Function{sym.st_value, sym.st_size, names_.size()});
        names_.append(name, length);
        names_.push_back('\0');
      }
    }
  }

  std::uintptr_t bias_;
  std::vector<Function> functions_;
  std::string names_;
};

}  // namespace

std::uintptr_t executableLoadBias() noexcept {
  // The first object dl_iterate_phdr reports is the executable; its dlpi_addr is the load bias.
  std::uintptr_t bias = 0;
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* out) {
        *static_cast<std::uintptr_t*>(out) = info->dlpi_addr;
        return 1;
      },
      &bias);
  return bias;
}

namespace {

// Whether `base` is where the executable itself (not a shared library) is loaded.
bool isExecutable(const void* base) {
  static const void* const executable_base = [] {
    Dl_info self{};
    return ::dladdr(reinterpret_cast<void*>(&hexAddress), &self) != 0 ? self.dli_fbase : nullptr;
  }();
  return base != nullptr && base == executable_base;
}

// "name+0xoff (module)" for the code at `address`, or "?? (module+0xoff)".
std::string describe(std::uintptr_t address) {
  Dl_info info{};
  void* entry = nullptr;
  if (::dladdr1(reinterpret_cast<void*>(address), &info, &entry, RTLD_DL_SYMENT) == 0) {
    // A static executable has no dynamic symbols; its own symbol table names all its code.
    std::uintptr_t start = 0;
    if (const char* name = ExecutableSymbols::instance().find(address, start)) {
      return demangle(name) + "+0x" + hex(address - start) + " (" + program_invocation_short_name + ")";
    }
    return "??";
  }
  const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
  const char* module = info.dli_fname != nullptr ? std::strrchr(info.dli_fname, '/') : nullptr;
  module = module != nullptr ? module + 1 : (info.dli_fname != nullptr ? info.dli_fname : "??");
  const auto start = reinterpret_cast<std::uintptr_t>(info.dli_saddr);
  // dladdr names the nearest exported symbol below the address even when the address lies in an
  // internal function after it; only trust the name when the address is inside the symbol.
  const bool inside = info.dli_sname != nullptr && symbol != nullptr && address >= start &&
                      (symbol->st_size == 0 || address - start < symbol->st_size);
  if (inside) {
    return demangle(info.dli_sname) + "+0x" + hex(address - start) + " (" + module + ")";
  }
  std::uintptr_t internal_start = 0;
  if (isExecutable(info.dli_fbase)) {
    if (const char* name = ExecutableSymbols::instance().find(address, internal_start)) {
      return demangle(name) + "+0x" + hex(address - internal_start) + " (" + module + ")";
    }
  }
  const auto base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
  return "?? (" + std::string(module) + "+0x" + hex(address - base) + ")";
}

}  // namespace

std::string hexAddress(std::uintptr_t value) { return "0x" + hex(value); }

// Not inlined, so that its own frame is the first one to skip.
[[gnu::noinline]] StackTrace captureStack(std::size_t skip) noexcept {
  constexpr std::size_t kLimit = StackTrace::kMaxFrames + 8;
  void* raw[kLimit];
  const int got = ::backtrace(raw, static_cast<int>(kLimit));
  // Frame 0 is this function; frame 1 is our caller, which asked for its caller's stack.
  const std::size_t first = 2 + skip;
  StackTrace stack;
  for (std::size_t i = first; i < static_cast<std::size_t>(got) && stack.depth < StackTrace::kMaxFrames; ++i) {
    stack.frames[stack.depth++] = raw[i];
  }
  return stack;
}

std::string formatStack(const StackTrace& stack) {
  std::string out;
  for (std::size_t i = 0; i < stack.depth; ++i) {
    const auto address = reinterpret_cast<std::uintptr_t>(stack.frames[i]);
    out += "    #";
    out += std::to_string(i);
    out += ' ';
    out += hexAddress(address);
    out += " in ";
    // A return address points after the call; the call itself is one byte before it.
    out += describe(address - 1);
    out += '\n';
  }
  return out;
}

}  // namespace orvek_verify
