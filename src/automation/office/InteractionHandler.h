// What the office asks while loading a document (a password, whether to repair a damaged
// file, which filter to use) is answered here, at once and always with "no": a document that
// needs an answer fails to load instead of waiting for a person who is not there.
#pragma once

#include <com/sun/star/task/XInteractionHandler.hpp>

namespace fv::office {

css::uno::Reference<css::task::XInteractionHandler> NewRefusingInteractionHandler();

}  // namespace fv::office
