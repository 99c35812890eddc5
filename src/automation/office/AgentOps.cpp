// The office server's side of the agent: loading it into the office, and the operations
// as calls to it.
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/loader/XImplementationLoader.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>

#include "automation/office/AgentProtocol.h"
#include "automation/office/OfficeProcess.h"

namespace fv::office {
namespace {

using css::beans::NamedValue;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

class AgentOps : public OfficeOps {
 public:
  explicit AgentOps(Reference<css::task::XJob> agent) : agent_(std::move(agent)) {}

  Opened Open(const std::string& path) override {
    Sequence<sal_Int32> result;
    Call("Open", {{"Path", Any(ToOUString(path))}}) >>= result;
    Opened opened;
    if (result.getLength() == 2) {
      opened.document = result[0];
      opened.pages = result[1];
    }
    return opened;
  }
  std::string Copy(int32_t document, int32_t from, int32_t to) override {
    Sequence<sal_Int8> bytes;
    Call("Copy", {{"Document", Any(document)}, {"From", Any(from)}, {"To", Any(to)}}) >>= bytes;
    return FromBytes(bytes);
  }
  int32_t Add() override { return Int(Call("Add", {})); }
  int32_t AddTable(int32_t document, int32_t rows, int32_t columns) override {
    return Int(Call("AddTable",
                    {{"Document", Any(document)}, {"Rows", Any(rows)}, {"Columns", Any(columns)}}));
  }
  int32_t SourceTable(int32_t document, int32_t index) override {
    return Int(Call("SourceTable", {{"Document", Any(document)}, {"Index", Any(index)}}));
  }
  void Paste(int32_t document, int32_t table, const TableFormat& format,
             const std::string& content) override {
    Call("Paste", {{"Document", Any(document)},
                   {"Table", Any(table)},
                   {"Format", Any(EncodeFormats({{table, format}}))},
                   {"Content", Any(ToBytes(content))}});
  }
  bool Save(int32_t document, const std::vector<std::pair<int32_t, TableFormat>>& formats,
            const std::string& path, int32_t fileFormat) override {
    bool known = false;
    Call("Save", {{"Document", Any(document)},
                  {"Formats", Any(EncodeFormats(formats))},
                  {"Path", Any(ToOUString(path))},
                  {"FileFormat", Any(fileFormat)}}) >>= known;
    return known;
  }
  void Close(int32_t document) override { Call("Close", {{"Document", Any(document)}}); }

 private:
  Any Call(const char* command, std::initializer_list<std::pair<const char*, Any>> arguments) {
    Sequence<NamedValue> named(static_cast<sal_Int32>(arguments.size() + 1));
    NamedValue* at = named.getArray();
    at->Name = "Command";
    at->Value <<= rtl::OUString::createFromAscii(command);
    for (const auto& [name, value] : arguments) {
      ++at;
      at->Name = rtl::OUString::createFromAscii(name);
      at->Value = value;
    }
    return agent_->execute(named);
  }
  static int32_t Int(const Any& value) {
    sal_Int32 n = 0;
    value >>= n;
    return n;
  }

  Reference<css::task::XJob> agent_;
};

// The agent's library: beside this server's own shared object.
std::string AgentLibrary() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&AgentLibrary), &info) || !info.dli_fname) return "";
  std::error_code ec;
  const auto folder = std::filesystem::canonical(info.dli_fname, ec).parent_path();
  const auto library = folder / "libfolivex-office-agent.so";
  return !ec && std::filesystem::exists(library, ec) ? library.string() : "";
}

}  // namespace

std::unique_ptr<OfficeOps> ConnectOps(const Reference<css::uno::XComponentContext>& context) {
  const char* wanted = std::getenv("FOLIVEX_OFFICE_AGENT");
  const std::string library = AgentLibrary();
  if ((!wanted || std::string(wanted) != "0") && !library.empty()) {
    try {
      Reference<css::loader::XImplementationLoader> loader(
          context->getServiceManager()->createInstanceWithContext(
              "com.sun.star.loader.SharedLibrary", context),
          UNO_QUERY_THROW);
      Reference<css::lang::XSingleComponentFactory> factory(
          loader->activate(rtl::OUString::createFromAscii(kAgentImplementation), rtl::OUString(),
                           ToOUString(FileUrl(library)), nullptr),
          UNO_QUERY_THROW);
      Reference<css::task::XJob> agent(factory->createInstanceWithContext(context),
                                       UNO_QUERY_THROW);
      return std::make_unique<AgentOps>(agent);
    } catch (const css::lang::DisposedException&) {
      throw;
    } catch (const css::uno::Exception&) {
      // An office that cannot load it is served over the pipe.
    }
  }
  return std::make_unique<LocalOps>(context);
}

}  // namespace fv::office
