#pragma once
// The drawing host as the tools see it: the object model of a CAD automation
// interface (application, documents, layers, model space, selection sets,
// utility, entities) under its own member names. A call that fails returns an
// empty result and records its error number in the application's error state;
// nothing here throws into tool code.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace korvane::host {

// Error numbers the tools look at.
inline constexpr long kErrNoHost = 429;                 // no running host of that class
inline constexpr long kErrFail = -2147467259;           // E_FAIL: empty or cancelled pick
inline constexpr long kErrNotSupported = 438;           // member not offered by this kind of object
inline constexpr long kErrInvalidArgument = -2145386493; // invalid input (a bad name, a bad mode)
inline constexpr long kErrNotFound = -2145386476;       // key not found (selection set, layer, handle)
inline constexpr long kErrDuplicate = -2145386300;      // a selection set of that name exists already

// The error state shared by every object of one host application ("Err").
struct HostError {
    long number = 0;
    std::string description;
    void clear() { number = 0; description.clear(); }
    void raise(long n, std::string text) { number = n; description = std::move(text); }
    explicit operator bool() const { return number != 0; }
};

struct Point {
    double x = 0, y = 0, z = 0;
    bool operator==(const Point&) const = default;
};

// One extended-data or system-variable value.
using Value = std::variant<std::monostate, std::string, long long, double, Point>;

// Extended data as the two parallel arrays of the automation interface.
struct XData {
    std::vector<int> codes;
    std::vector<Value> values;
    size_t size() const { return codes.size(); }
    bool empty() const { return codes.empty(); }
    void add(int code, Value v) { codes.push_back(code); values.push_back(std::move(v)); }
    // The text of item i ("" when it is not text or out of range).
    std::string text(size_t i) const;
};

// A selection filter: parallel group codes (0 type, 8 layer, 62 colour, 1000 extended-data text)
// and values; several pairs combine with AND.
struct Filter {
    std::vector<int> codes;
    std::vector<std::string> values;
    bool empty() const { return codes.empty(); }
    Filter& add(int code, std::string value) { codes.push_back(code); values.push_back(std::move(value)); return *this; }
};

class Entity;
class Layer;
class Layers;
class ModelSpace;
class SelectionSet;
class SelectionSets;
class Utility;
class Document;
class Application;
using EntityPtr = std::shared_ptr<Entity>;
using LayerPtr = std::shared_ptr<Layer>;
using LayersPtr = std::shared_ptr<Layers>;
using ModelSpacePtr = std::shared_ptr<ModelSpace>;
using SelectionSetPtr = std::shared_ptr<SelectionSet>;
using SelectionSetsPtr = std::shared_ptr<SelectionSets>;
using UtilityPtr = std::shared_ptr<Utility>;
using DocumentPtr = std::shared_ptr<Document>;
using ApplicationPtr = std::shared_ptr<Application>;

class Entity {
public:
    virtual ~Entity() = default;
    virtual std::string Handle() = 0;
    virtual std::string ObjectName() = 0;  // AcDbPoint, AcDbPolyline, AcDb2dPolyline, ...
    virtual std::string Layer() = 0;
    virtual void SetLayer(const std::string& name) = 0;
    virtual int color() = 0;  // 256: by layer
    virtual void Setcolor(int color) = 0;
    virtual std::string Linetype() = 0;  // "ByLayer" when the entity names none
    virtual void SetLinetype(const std::string& name) = 0;  // ByLayer, ByBlock or a defined linetype
    // "" = every application, each starting with its 1001 item.
    virtual XData GetXData(const std::string& app) = 0;
    // Replaces the data of the application named by item 0 (a 1001 item), leaving the others.
    virtual void SetXData(const XData& data) = 0;
    virtual void Update() = 0;
    virtual void Delete() = 0;
    virtual void Highlight(bool on) = 0;
    virtual void Move(const Point& from, const Point& to) = 0;
    virtual void Rotate(const Point& base, double radians) = 0;
    virtual void ScaleEntity(const Point& base, double factor) = 0;
    virtual bool GetBoundingBox(Point& min, Point& max) = 0;
    // Polylines: x,y pairs for a lightweight polyline, x,y,z triples for the old kinds.
    virtual std::vector<double> Coordinates() = 0;
    virtual void SetCoordinates(const std::vector<double>& coords) = 0;
    // Polylines: the bulge of the segment from vertex `index` (tan of a quarter of its arc's
    // included angle, positive counter-clockwise; 0 for a straight segment).
    virtual double GetBulge(long index) = 0;
    virtual double ConstantWidth() = 0;
    virtual void SetConstantWidth(double width) = 0;
    virtual double Elevation() = 0;
    virtual void SetElevation(double z) = 0;
    virtual double Area() = 0;
    virtual bool Closed() = 0;
    virtual void SetClosed(bool closed) = 0;
    virtual Point StartPoint() = 0;
    virtual Point Center() = 0;
    virtual Point InsertionPoint() = 0;
    virtual void SetInsertionPoint(const Point& p) = 0;
    virtual std::vector<EntityPtr> Explode() = 0;
    // Texts.
    virtual std::string TextString() = 0;
    virtual void SetTextString(const std::string& text) = 0;
    virtual int Alignment() = 0;
    virtual void SetAlignment(int alignment) = 0;
    virtual Point TextAlignmentPoint() = 0;
    virtual void SetTextAlignmentPoint(const Point& p) = 0;
    virtual double Height() = 0;
    // Images: the definition's name.
    virtual std::string Name() = 0;
};

class Layer {
public:
    virtual ~Layer() = default;
    virtual std::string Name() = 0;
    virtual bool LayerOn() = 0;
    virtual void SetLayerOn(bool on) = 0;
    virtual bool Freeze() = 0;
    virtual void SetFreeze(bool frozen) = 0;
    virtual bool Lock() = 0;
    virtual void SetLock(bool locked) = 0;
    virtual int color() = 0;
};

class Layers {
public:
    virtual ~Layers() = default;
    // Returns the existing layer of that name (any case) or a new one.
    virtual LayerPtr Add(const std::string& name) = 0;
    virtual LayerPtr Item(const std::string& name) = 0;
    virtual LayerPtr Item(long index) = 0;
    virtual long Count() = 0;
};

class ModelSpace {
public:
    virtual ~ModelSpace() = default;
    virtual EntityPtr AddPoint(const Point& p) = 0;
    virtual EntityPtr AddText(const std::string& text, const Point& insertion, double height) = 0;
    virtual EntityPtr AddCircle(const Point& center, double radius) = 0;
    // Three coordinates per vertex: an old-style 2D polyline.
    virtual EntityPtr AddPolyline(const std::vector<double>& xyz) = 0;
    virtual EntityPtr AddLightWeightPolyline(const std::vector<double>& xy) = 0;
    virtual EntityPtr AddLine(const Point& a, const Point& b) = 0;
    virtual EntityPtr AddRaster(const std::string& file, const Point& insertion, double scale, double rotation) = 0;
    // A block of the drawing, or a DXF file inserted as a block.
    virtual EntityPtr InsertBlock(const Point& p, const std::string& name_or_file, double xscale, double yscale,
                                  double zscale, double rotation) = 0;
    virtual long Count() = 0;
    virtual EntityPtr Item(long index) = 0;
};

class SelectionSet {
public:
    virtual ~SelectionSet() = default;
    virtual std::string Name() = 0;
    virtual void SelectOnScreen(const Filter& filter = {}) = 0;
    // Mode 5: everything that passes the filter.
    virtual void Select(int mode, const Filter& filter = {}) = 0;
    // Mode 6: window polygon (wholly inside); 7: crossing polygon. x,y,z triples.
    virtual void SelectByPolygon(int mode, const std::vector<double>& xyz, const Filter& filter = {}) = 0;
    virtual void AddItems(const std::vector<EntityPtr>& items) = 0;
    virtual void RemoveItems(const std::vector<EntityPtr>& items) = 0;
    virtual void Clear() = 0;
    virtual long Count() = 0;
    virtual EntityPtr Item(long index) = 0;
    virtual void Highlight(bool on) = 0;
    virtual void Delete() = 0;
};

class SelectionSets {
public:
    virtual ~SelectionSets() = default;
    virtual SelectionSetPtr Add(const std::string& name) = 0;
    virtual SelectionSetPtr Item(const std::string& name) = 0;
    virtual SelectionSetPtr Item(long index) = 0;
    virtual long Count() = 0;
};

class Utility {
public:
    virtual ~Utility() = default;
    // False (error E_FAIL) on an empty pick or Esc.
    virtual bool GetEntity(EntityPtr& entity, Point& picked, const std::string& prompt) = 0;
    virtual std::optional<Point> GetPoint(const std::optional<Point>& base, const std::string& prompt) = 0;
    virtual std::optional<std::string> GetString(bool allow_spaces, const std::string& prompt) = 0;
    virtual std::optional<double> GetReal(const std::string& prompt) = 0;
    virtual std::optional<long> GetInteger(const std::string& prompt) = 0;
    virtual double AngleFromXAxis(const Point& a, const Point& b) = 0;
    virtual Point PolarPoint(const Point& p, double angle, double distance) = 0;
    virtual void Prompt(const std::string& text) = 0;
};

class Document {
public:
    virtual ~Document() = default;
    virtual std::string Name() = 0;
    virtual std::string FullName() = 0;
    virtual ModelSpacePtr ModelSpace() = 0;
    virtual LayersPtr Layers() = 0;
    virtual SelectionSetsPtr SelectionSets() = 0;
    virtual UtilityPtr Utility() = 0;
    virtual LayerPtr ActiveLayer() = 0;
    virtual void SetActiveLayer(const LayerPtr& layer) = 0;
    virtual EntityPtr HandleToObject(const std::string& handle) = 0;
    virtual Value GetVariable(const std::string& name) = 0;
    virtual void SetVariable(const std::string& name, const Value& value) = 0;
    virtual void Activate() = 0;
    // Runs the text as typed on the command line: CR or LF is Enter.
    virtual void SendCommand(const std::string& text) = 0;
    // Opens an undo step; the drawing window's Undo names it by `name` (the command's name).
    virtual void StartUndoMark(const std::string& name = {}) = 0;
    virtual void EndUndoMark() = 0;
    virtual void Regen() = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual HostError& Err() = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual std::string Caption() = 0;
    virtual int WindowState() = 0;
    virtual void SetWindowState(int state) = 0;  // 3: maximised
    virtual DocumentPtr ActiveDocument() = 0;
    virtual std::vector<DocumentPtr> Documents() = 0;
    virtual void ZoomWindow(const Point& a, const Point& b) = 0;
    virtual void ZoomCenter(const Point& center, double magnify) = 0;
    virtual void ZoomExtents() = 0;
    // A line on the host's command line, also while no drawing is open.
    virtual void Prompt(const std::string& text) = 0;
};

// How a command reaches the running host ("GetObject" of the automation class).
class HostConnector {
public:
    virtual ~HostConnector() = default;
    // The running host application, or null with error 429 in `err` when none runs.
    virtual ApplicationPtr GetObject(const std::string& class_name, HostError& err) = 0;
    // Brings the window with this caption forward (the operating system's activate-by-title).
    virtual void AppActivate(const std::string& caption) = 0;
};

}  // namespace korvane::host
