// Replaced by the windows as they are built.
namespace zm::ui {}
