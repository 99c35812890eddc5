// The office agent: a component that the office server loads into the office it uses, so
// that the many small calls of locating, copying, pasting and saving a page are made inside
// the office instead of over the pipe one by one. It does the operations of DocumentOps.h for
// one application of the server, asked through XJob.execute with a "Command" and its
// arguments; a CallFailure goes back as an exception whose message carries it.
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase1.hxx>

#include <mutex>

#include "automation/office/AgentProtocol.h"
#include "automation/office/CallFailure.h"
#include "automation/office/DocumentOps.h"
#include "automation/office/UnoConnection.h"

namespace fv::office {
namespace {

using css::beans::NamedValue;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;

class OfficeAgent : public cppu::WeakImplHelper1<css::task::XJob> {
 public:
  explicit OfficeAgent(const Reference<css::uno::XComponentContext>& context) : ops_(context) {}

  Any SAL_CALL execute(const Sequence<NamedValue>& arguments) override {
    // One application's calls come one at a time; the lock guards against anything else.
    std::lock_guard lock(mutex_);
    const AgentArguments a(arguments);
    const std::string command = a.Text("Command");
    try {
      if (command == "Open") {
        const auto opened = ops_.Open(a.Text("Path"));
        const sal_Int32 result[] = {opened.document, opened.pages};
        return Any(Sequence<sal_Int32>(result, 2));
      }
      if (command == "Copy") {
        return Any(ToBytes(ops_.Copy(a.Int("Document"), a.Int("From"), a.Int("To"))));
      }
      if (command == "Add") return Any(ops_.Add());
      if (command == "AddTable") {
        return Any(ops_.AddTable(a.Int("Document"), a.Int("Rows"), a.Int("Columns")));
      }
      if (command == "SourceTable") return Any(ops_.SourceTable(a.Int("Document"), a.Int("Index")));
      if (command == "Paste") {
        const auto format = a.Formats("Format");
        ops_.Paste(a.Int("Document"), a.Int("Table"),
                   format.empty() ? TableFormat() : format.front().second, a.Bytes("Content"));
        return Any();
      }
      if (command == "Save") {
        return Any(ops_.Save(a.Int("Document"), a.Formats("Formats"), a.Text("Path"),
                             a.Int("FileFormat")));
      }
      if (command == "Close") {
        ops_.Close(a.Int("Document"));
        return Any();
      }
      throw CallFailure{automation::E_NOTIMPL, "the office agent has no command " + command};
    } catch (const CallFailure& failure) {
      throw css::uno::RuntimeException(ToOUString(EncodeFailure(failure)));
    }
  }

 private:
  std::mutex mutex_;
  LocalOps ops_;
};

Reference<css::uno::XInterface> SAL_CALL
Create(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new OfficeAgent(context));
}

}  // namespace
}  // namespace fv::office

extern "C" SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* name, void*,
                                                                    void*) {
  if (rtl_str_compare(name, fv::office::kAgentImplementation) != 0) return nullptr;
  css::uno::Reference<css::lang::XSingleComponentFactory> factory =
      cppu::createSingleComponentFactory(
          fv::office::Create, rtl::OUString::createFromAscii(fv::office::kAgentImplementation),
          css::uno::Sequence<rtl::OUString>());
  factory->acquire();
  return factory.get();
}
