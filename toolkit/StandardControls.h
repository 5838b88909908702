// The toolkit's controls that forms may create by class name.
#pragma once

namespace toolkit {

class TClassRegistry;

// TLabel, TImage, TPanel.
void RegisterStandardControls(TClassRegistry& registry);

} // namespace toolkit
