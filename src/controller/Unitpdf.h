// The engine of PDF files: it converts nothing and only marks that a PDF file was handed
// over.
#pragma once

namespace fv::controller {

class TPDFFolivex {};

}  // namespace fv::controller
