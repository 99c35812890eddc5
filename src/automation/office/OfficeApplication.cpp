// The application and its options.
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>

#include "automation/office/ComBase.h"
#include "automation/office/OfficeObjects.h"

namespace fv::office {

using namespace automation;
using uno::Reference;
using uno::UNO_QUERY_THROW;

namespace {

class OfficeApplication : public ComObject<Application> {
 public:
  explicit OfficeApplication(std::shared_ptr<OfficeSession> session)
      : app_(std::make_shared<AppState>()) {
    app_->session = std::move(session);
  }
  ~OfficeApplication() override {
    // The last reference to the application: the documents of ours go, and an office we
    // started with them. Objects still held elsewhere see an application that has quit.
    app_->Quit();
  }

  HRESULT put_Visible(bool) override { return app_->Usable(); }  // the office has no window

  HRESULT get_Options(Options** options) override {
    *options = nullptr;
    if (Failed(app_->Usable())) return app_->Usable();
    return NewOptions(app_, options);
  }

  HRESULT get_Documents(Documents** documents) override {
    *documents = nullptr;
    if (Failed(app_->Usable())) return app_->Usable();
    return NewDocuments(app_, documents);
  }

  HRESULT get_Selection(Selection** selection) override {
    *selection = nullptr;
    if (Failed(app_->Usable())) return app_->Usable();
    auto active = app_->Active();
    if (!active) return DISP_E_EXCEPTION;  // no document, no selection
    return NewSelection(app_, active, selection);
  }

  HRESULT Quit(const Variant&, const Variant&, const Variant&) override {
    app_->Quit();
    return S_OK;
  }

 private:
  AppPtr app_;
};

// The office's settings that stand for the two options.
HRESULT SetLinguisticOption(AppState& app, const char* node, const char* property, bool on) {
  if (Failed(app.Usable())) return app.Usable();
  return app.session->Call([&] {
    auto provider =
        css::configuration::theDefaultProvider::get(app.session->Connection().Context());
    css::beans::PropertyValue path;
    path.Name = "nodepath";
    path.Value <<= rtl::OUString::createFromAscii(node);
    uno::Sequence<uno::Any> arguments(1);
    arguments.getArray()[0] <<= path;
    Reference<css::container::XNameReplace> settings(
        provider->createInstanceWithArguments(
            "com.sun.star.configuration.ConfigurationUpdateAccess", arguments),
        UNO_QUERY_THROW);
    settings->replaceByName(rtl::OUString::createFromAscii(property), uno::Any(on));
    Reference<css::util::XChangesBatch>(settings, UNO_QUERY_THROW)->commitChanges();
  });
}

class OfficeOptions : public ComObject<Options> {
 public:
  explicit OfficeOptions(AppPtr app) : app_(std::move(app)) {}

  HRESULT put_CheckSpellingAsYouType(bool on) override {
    return SetLinguisticOption(*app_, "/org.openoffice.Office.Linguistic/SpellChecking",
                               "IsSpellAuto", on);
  }
  HRESULT put_CheckGrammarAsYouType(bool on) override {
    return SetLinguisticOption(*app_, "/org.openoffice.Office.Linguistic/GrammarChecking",
                               "IsAutoCheck", on);
  }

 private:
  AppPtr app_;
};

}  // namespace

HRESULT NewApplication(std::shared_ptr<OfficeSession> session, Application** out) {
  return Deliver<Application>(new OfficeApplication(std::move(session)), out);
}

HRESULT NewOptions(AppPtr app, Options** out) {
  return Deliver<Options>(new OfficeOptions(std::move(app)), out);
}

}  // namespace fv::office
