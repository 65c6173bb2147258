// A host of the installed library: imports FILE... with the component in FOLDER and
// prints the number of variables.
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: host FOLDER FILE...\n";
        return 2;
    }
    tessaro::SetComponentFolder(argv[1]);
    tessaro::VariableDriver driver;
    driver.DeviceCodeId = driver.DeviceId = 1;
    tessaro::DataSourceCollection sources;
    for (int i = 2; i < argc; ++i) sources.Add(std::make_shared<tessaro::DataSource>(tessaro::DataSource{argv[i]}));
    if (!driver.GetVariables(sources)) return 1;
    std::cout << driver.Variables->Count() << "\n";
}
