#include "automation/office/InteractionHandler.h"

#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/task/XInteractionHandler2.hpp>
#include <cppuhelper/implbase1.hxx>

namespace fv::office {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;

class RefusingHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler2> {
 public:
  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
    handleInteractionRequest(request);
  }

  sal_Bool SAL_CALL
  handleInteractionRequest(const Reference<css::task::XInteractionRequest>& request) override {
    if (!request.is()) return false;
    const auto continuations = request->getContinuations();
    // Abort where the request allows it, else disapprove; never approve or supply anything.
    for (const auto& c : continuations) {
      Reference<css::task::XInteractionAbort> abort(c, UNO_QUERY);
      if (abort.is()) {
        abort->select();
        return true;
      }
    }
    for (const auto& c : continuations) {
      Reference<css::task::XInteractionDisapprove> no(c, UNO_QUERY);
      if (no.is()) {
        no->select();
        return true;
      }
    }
    return false;
  }
};

}  // namespace

Reference<css::task::XInteractionHandler> NewRefusingInteractionHandler() {
  return new RefusingHandler;
}

}  // namespace fv::office
