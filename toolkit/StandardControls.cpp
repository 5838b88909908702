#include "toolkit/StandardControls.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"

namespace toolkit {

void RegisterStandardControls(TClassRegistry& registry) {
    registry.Register<TLabel>("TLabel");
    registry.Register<TImage>("TImage");
    registry.Register<TPanel>("TPanel");
}

} // namespace toolkit
