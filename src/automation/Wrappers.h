// The two wrappers through which the engine holds the word processor: the application
// (connected to the running instance, or a new one) and one document.
#pragma once

#include <string>

#include "automation/WordObjects.h"

namespace fv::automation {

// The application registered under "Word.Application".
class TWordApplication {
 public:
  TWordApplication() = default;
  TWordApplication(const TWordApplication&) = delete;
  TWordApplication& operator=(const TWordApplication&) = delete;
  // Freeing the wrapper disconnects it (the application is asked to quit); it never raises.
  ~TWordApplication();

  // Attaches to the instance that is running and registered as the active application;
  // only when there is none, starts a new one. Raises EOleException when neither works.
  void Connect();
  // When connected: asks the application to quit (its three arguments omitted), then drops
  // the connection. Raises EOleException, with the connection already dropped, when the
  // application refused to quit: it may still be running. When not connected: nothing.
  void Disconnect();
  bool Connected() const { return static_cast<bool>(application_); }
  // The application object; connects first when not connected (and may raise as Connect).
  Application* DefaultInterface();

 private:
  ComPtr<Application> application_;
};

// One document of the application.
class TWordDocument {
 public:
  TWordDocument() = default;
  TWordDocument(const TWordDocument&) = delete;
  TWordDocument& operator=(const TWordDocument&) = delete;
  ~TWordDocument() { Disconnect(); }

  // Drops any earlier connection and attaches to `document`.
  void ConnectTo(Document* document) { document_ = ComPtr<Document>(document); }
  // Drops the connection; the document stays open in the application.
  void Disconnect() { document_.Reset(); }
  bool Connected() const { return static_cast<bool>(document_); }
  // The document, or null when not connected.
  Document* DefaultInterface() const { return document_.Get(); }

 private:
  ComPtr<Document> document_;
};

// The programmatic identifier under which the word processor is registered.
inline constexpr const char* kWordApplicationProgId = "Word.Application";

}  // namespace fv::automation
